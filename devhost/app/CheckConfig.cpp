#include "devhost/app/CheckConfig.h"

#include "devhost/app/ConfigProblems.h"
#include "devhost/app/Session.h"

namespace DevHost {
namespace {

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
}

}  // namespace

int CheckConfig(const std::filesystem::path& file, std::ostream& out) {
    // The scratch server of the preview is where the file is checked to lie.
    ServerDirectory scratch = ServerDirectory::Prepare(std::nullopt);
    const std::vector<ConfigProblem> problems = FindConfigProblems(file, scratch.PluginFolder());
    const std::string name = file.string();
    for (const ConfigProblem& problem : problems) {
        out << name << ": " << (problem.position.empty() ? "" : problem.position + ": ")
            << problem.description << "\n";
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
