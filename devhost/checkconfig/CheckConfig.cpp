#include "devhost/checkconfig/CheckConfig.h"

#include "core/settings/ConfigProblem.h"
#include "core/settings/ConfigReader.h"
#include "devhost/checkconfig/ConfigProblems.h"
#include "devhost/checkconfig/RuleTrials.h"
#include "devhost/console/Session.h"

namespace DevHost {
namespace {

// Each argument rule with an argument that passes and one that fails it.
void TryRules(Session& session, const std::filesystem::path& file, std::ostream& out) {
    const Corvane::Settings settings =
        Corvane::ReadSettings(Corvane::ReadConfigFile(file), session.Server().Directory().PluginFolder())
            .settings;
    for (const RuleTrial& trial : RuleTrials(settings)) {
        const std::string name = trial.line.substr(7, trial.line.find(' ', 7) - 7);
        session.Grant("alice", "Cheat." + name);
        std::string holding = "Cheat." + name;
        for (const std::string& grant : trial.grants) {
            session.Grant("alice", grant);
            holding += ", " + grant;
        }
        out << "alice, holding " << holding << ", types: " << trial.line << " ("
            << (trial.fails.empty() ? std::string("every rule lets it through") : "to fail " + trial.fails)
            << ")" << std::endl;
        session.Say("alice", trial.line);
        for (const std::string& grant : trial.grants) {
            session.Revoke("alice", grant);
        }
    }
}

// The real plugin, on a scratch server holding a copy of the file.
void Preview(ServerDirectory directory, const std::filesystem::path& file, std::ostream& out) {
    Session session(std::move(directory), out);
    std::filesystem::copy_file(file, session.Server().Directory().ConfigFile(),
                               std::filesystem::copy_options::overwrite_existing);
    out << "preview, with this file on a server:" << std::endl;
    session.Load();
    session.Server().Join("alice", 76561198000000001);
    session.Server().Join("bob", 76561198000000002);
    session.Grant("alice", "Cheat.fly");
    out << "alice, holding Cheat.fly, types: /cheat fly" << std::endl;
    session.Say("alice", "/cheat fly");
    out << "bob, holding no permission, types: /cheat fly" << std::endl;
    session.Say("bob", "/cheat fly");
    if (session.Server().Loaded()) {
        TryRules(session, file, out);
    }
}

}  // namespace

int CheckConfig(const std::filesystem::path& file, std::ostream& out) {
    // The scratch server of the preview is where the file is checked to lie.
    ServerDirectory scratch = ServerDirectory::Prepare(std::nullopt);
    const std::vector<ConfigProblem> problems = FindConfigProblems(file, scratch.PluginFolder());
    const std::string name = file.string();
    for (const ConfigProblem& problem : problems) {
        out << name << ": " << Corvane::EscapedProblem(problem.position, problem.description) << "\n";
    }
    if (problems.empty()) {
        out << name << ": no problems found\n";
    } else {
        out << name << ": " << problems.size() << (problems.size() == 1 ? " problem\n" : " problems\n");
    }
    std::error_code error;
    if (std::filesystem::is_regular_file(file, error)) {
        Preview(std::move(scratch), file, out);
    }
    return problems.empty() ? 0 : 1;
}

}  // namespace DevHost
