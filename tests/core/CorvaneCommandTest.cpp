// /corvane reload and /corvane check, end to end through the loaded plugin:
// what each replies, records and changes, and what it leaves alone.
#include <gmock/gmock.h>

#include <fmt/format.h>

#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "tests/support/AuditedGateFixture.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;
using json = nlohmann::json;

namespace {

class CorvaneCommand : public AuditedGateFixture {
protected:
    // The plugin's base members, an audit file and these controls merged over them.
    static std::string Config(json controls) {
        controls.emplace("AuditLog", "audit.jsonl");
        return ConfigWith(controls);
    }
    void LoadWith(const json& controls) { LoadConfig(Config(controls)); }

    // The members of the audit lines that don't change with time, the files
    // a reload names from the plugin's folder.
    std::vector<std::string> Audited() {
        const std::string folder = (Server().Directory().PluginFolder() / "").string();
        std::vector<std::string> records;
        for (const std::string& line : AuditLines()) {
            json record = json::parse(line);
            record.erase("time");
            for (const char* member : {"auditLog", "previousAuditLog"}) {
                if (record.contains(member)) {
                    std::string path = record[member];
                    record[member] = path.starts_with(folder) ? path.substr(folder.size()) : path;
                }
            }
            records.push_back(record.dump());
        }
        return records;
    }
};

TEST_F(CorvaneCommand, ReloadPutsAGoodFileInForceAtOnceAndKeepsCooldowns) {
    LoadWith({{"Commands", {{"fly", {{"Cooldown", 60}}}}}});
    Grant(kRexId, "Corvane.Reload");
    Grant(kRexId, "Cheat.quit");
    SayChecked(rex_, "/cheat fly");
    WriteConfig(Config({{"Commands", {{"fly", {{"Cooldown", 60}}}}},
                        {"Deny", {"quit"}},
                        {"Messages", {{"Cooldown", "Later, {1}."}, {"LogMsg", "{0} now ran {1}"}}},
                        {"PrintToChat", nullptr}}));
    Events().Clear();
    SayChecked(rex_, "/corvane reload");
    EXPECT_THAT(Replies(),
                ElementsAre("Rex from Server: config.json reloaded, with 1 warning (see the server log)."));
    EXPECT_THAT(LogLines(),
                ElementsAre(HasSubstr("[Corvane][warning] Reloaded config.json for 1, with 1 warning: "
                                      "config.json: /PrintToChat: missing")));
    EXPECT_THAT(Audited(), ElementsAre(R"({"action":"reload","auditLog":"audit.jsonl","character":"Rex",)"
                                       R"("outcome":"reloaded","permission":"Corvane.Reload",)"
                                       R"("previousAuditLog":"audit.jsonl","steamId":"1"})"));
    Events().Clear();
    SayChecked(rex_, "/cheat fly");
    SayChecked(rex_, "/cheat quit");
    EXPECT_THAT(Commands(), IsEmpty());
    EXPECT_THAT(Replies(), ElementsAre("Rex from Server: Later, fly.", "Rex from Server: No."));
}

TEST_F(CorvaneCommand, ReloadOfABrokenFileKeepsTheRunningSettings) {
    LoadWith(json::object());
    Grant(kRexId, "Corvane.Reload");
    const struct {
        std::string file;
        const char* error;  // the first, as the player and the audit line get it
    } cases[] = {
        {Config({{"Deny", 5}, {"Commands", 6}}),
         "config.json: /Deny: is a number, not a list of command names"},
        {R"({"PrintToChat": true,})", "[json.exception.parse_error.101]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        WriteConfig(c.file);
        Events().Clear();
        SayChecked(rex_, "/corvane reload");
        ASSERT_THAT(Replies(), SizeIs(1));
        EXPECT_THAT(Replies()[0], HasSubstr("config.json was not reloaded, the running settings stay: "));
        EXPECT_THAT(Replies()[0], HasSubstr(c.error));
        EXPECT_THAT(ErrorLogged(), HasSubstr(c.error));
        ASSERT_THAT(AuditLines(), SizeIs(1));
        EXPECT_EQ(json::parse(AuditLines()[0])["outcome"], "failed");
        EXPECT_THAT(json::parse(AuditLines()[0])["error"].get<std::string>(), HasSubstr(c.error));
    }
    EXPECT_THAT(ErrorLogged(), HasSubstr("the running settings stay"));
    Events().Clear();
    SayChecked(rex_, "/cheat fly");
    EXPECT_THAT(GameplayLog(), ElementsAre("Rex ran fly"));
}

TEST_F(CorvaneCommand, AllErrorsOfABrokenFileGoToTheLogInOneLine) {
    LoadWith(json::object());
    Grant(kRexId, "Corvane.Reload");
    WriteConfig(Config({{"Deny", 5}, {"Commands", 6}}));
    SayChecked(rex_, "/corvane reload");
    EXPECT_THAT(ErrorLogged(),
                HasSubstr("2 errors: config.json: /Deny: is a number, not a list of command names; "
                          "config.json: /Commands: is a number"));
}

// The restore at the next load reads the file a reload line names as the
// one before it; a reload that turns the file off is recorded where it was.
TEST_F(CorvaneCommand, AReloadThatMovesTheAuditFileRecordsItInBothAndTheRecordGoesOn) {
    const json cooldown = {{"fly", {{"Cooldown", 3600}}}};
    struct Case {
        json moved;
        std::vector<std::string> old, now;
    } cases[] = {
        {Config({{"AuditLog", "moved/audit.jsonl"}, {"Commands", cooldown}}),
         {"granted", R"(reloaded audit.jsonl -> moved/audit.jsonl)"},
         {R"(reloaded audit.jsonl -> moved/audit.jsonl)", "cooldown"}},
        {ConfigWith({{"Commands", cooldown}}), {"granted", "reloaded audit.jsonl -> "}, {}},
    };
    const std::filesystem::path folder = Server().Directory().PluginFolder();
    const auto lines = [&](const std::filesystem::path& file) {
        std::ifstream stream(folder / file);
        std::vector<std::string> outcomes;
        for (std::string line; std::getline(stream, line);) {
            const json record = json::parse(line);
            const auto path = [&](const char* member) {
                return record.contains(member) ? std::filesystem::path(record[member].get<std::string>())
                                                     .lexically_relative(folder)
                                                     .generic_string()
                                               : "";
            };
            outcomes.push_back(
                fmt::format("{}{}", record["outcome"].get<std::string>(),
                            record.contains("action")
                                ? fmt::format(" {} -> {}", path("previousAuditLog"), path("auditLog"))
                                : ""));
        }
        return outcomes;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.moved.dump());
        std::filesystem::remove_all(folder / "moved");
        std::filesystem::remove(folder / "audit.jsonl");
        LoadWith({{"Commands", cooldown}});
        Grant(kRexId, "Corvane.Reload");
        SayChecked(rex_, "/cheat fly");
        WriteConfig(c.moved);
        SayChecked(rex_, "/corvane reload");
        UnloadPlugin();
        ASSERT_TRUE(LoadPlugin());
        Events().Clear();
        SayChecked(rex_, "/cheat fly");
        EXPECT_THAT(lines("audit.jsonl"), ::testing::ElementsAreArray(c.old));
        EXPECT_THAT(lines("moved/audit.jsonl"), ::testing::ElementsAreArray(c.now));
        UnloadPlugin();
    }
}

TEST_F(CorvaneCommand, WithoutItsPermissionEachActionIsRefusedAndAudited) {
    LoadWith(json::object());
    WriteConfig(Config({{"Deny", {"fly"}}}));
    SayChecked(rex_, "/corvane reload");
    SayChecked(rex_, "/CORVANE Check fly");
    EXPECT_THAT(Replies(), ElementsAre("Rex from Server: No.", "Rex from Server: No."));
    EXPECT_THAT(Audited(), ElementsAre(R"({"action":"reload","character":"Rex","outcome":"refused",)"
                                       R"("permission":"Corvane.Reload","steamId":"1"})",
                                       R"({"action":"check","character":"Rex","outcome":"refused",)"
                                       R"("permission":"Corvane.Check","steamId":"1"})"));
    Events().Clear();
    SayChecked(rex_, "/cheat fly");
    EXPECT_THAT(Commands(), ElementsAre("Rex: fly")) << "the file was not reloaded";
}

// Any player can send a line of any length: the error line keeps what an
// audit line keeps of a command that did not run.
TEST_F(CorvaneCommand, AFailedLineIsLoggedCutAsACheatLineIs) {
    Server().UnloadPermissionsPlugin();
    LoadWith(json::object());
    SayChecked(rex_, "/corvane check " + std::string(20'000, 'x'));
    const std::string error = ErrorLogged();
    EXPECT_THAT(error, HasSubstr("Can't load the permissions plugin"));
    EXPECT_THAT(error, HasSubstr(R"(line "/corvane check )" + std::string(985, 'x') + R"("...))"));
    EXPECT_LT(error.size(), 1'200u);
}

TEST_F(CorvaneCommand, AnythingElseGetsTheUsage) {
    LoadWith(json::object());
    Grant(kRexId, "Corvane.Reload");
    Grant(kRexId, "Corvane.Check");
    for (const char* line :
         {"/corvane", "/corvane   ", "/corvane reload now", "/corvane check", "/corvane frob"}) {
        SCOPED_TRACE(line);
        Events().Clear();
        SayChecked(rex_, line);
        EXPECT_THAT(Replies(),
                    ElementsAre("Rex from Server: Usage: /corvane reload, /corvane check <command>, /corvane "
                                "uses <player>, or /corvane forgive <player> [command]"));
        EXPECT_THAT(AuditLines(), IsEmpty());
    }
}

TEST_F(CorvaneCommand, CheckTellsEachStepAndDoesNothingOfIt) {
    LoadWith({{"Deny", {"quit"}},
              {"Commands", {{"fly", {{"Cooldown", 30}, {"Announce", "admins"}}}}},
              {"Messages", {{"Sender", "S {x}"}}}});
    Grant(kRexId, "Corvane.Check");
    const struct {
        const char* command;
        std::vector<std::string> replies;
    } cases[] = {
        {"fly {1}",
         {"/cheat fly {1} would run: Cheat.fly is held", "line: one printable line",
          "deny list: fly is not on it", "permission Cheat.fly: held",
          "cooldown: none running; 30 s after this use",
          "announcement: the players holding Corvane.SeeAnnouncements, as its entry in Commands says"}},
        {"walk",
         {"/cheat walk would be refused: Cheat.walk is not held", "line: one printable line",
          "deny list: walk is not on it", "permission Cheat.walk: not held"}},
        {" QUIT",
         {"/cheat  QUIT would be denied: quit is on the deny list", "line: one printable line",
          "deny list: quit is on it"}},
        {"fly\n|x", {"/cheat fly\\n|x would be rejected: it could run more than one command"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        Events().Clear();
        SayChecked(rex_, std::string("/corvane check ") + c.command);
        std::vector<std::string> expected;
        for (const std::string& reply : c.replies) {
            expected.push_back("Rex from S {x}: " + reply);
        }
        EXPECT_EQ(Replies(), expected);
        EXPECT_THAT(Commands(), IsEmpty());
        EXPECT_THAT(Broadcasts(), IsEmpty());
        EXPECT_THAT(GameplayLog(), IsEmpty());
        EXPECT_THAT(AuditLines(), IsEmpty()) << "a check decides nothing";
    }
    Events().Clear();
    SayChecked(rex_, "/cheat fly");
    SayChecked(rex_, "/corvane check fly");
    EXPECT_THAT(Commands(), ElementsAre("Rex: fly")) << "no cooldown was started by the checks";
    EXPECT_THAT(
        Replies(),
        ElementsAre("Rex from S {x}: /cheat fly would be held back: 30 s of the cooldown on fly "
                    "are left",
                    "Rex from S {x}: line: one printable line", "Rex from S {x}: deny list: fly is not on it",
                    "Rex from S {x}: permission Cheat.fly: held",
                    "Rex from S {x}: permission Corvane.NoCooldown: not held",
                    "Rex from S {x}: cooldown: 30 s left"));
}

// Every rule answers, a pattern and a bound failing together; without a
// cooldown or an Announce, the check says so; through a wrapper, it names
// every name the line runs.
TEST_F(CorvaneCommand, CheckGivesEveryRulesAnswerAndEveryNameRun) {
    LoadWith(json::parse(R"({"PrintToChat": true, "Wrappers": ["wrap"],
        "Commands": {"giveitem": {"Arguments": [{"Allow": ["1*"]}, {"Min": 1, "Max": 100}]}}})"));
    Grant(kRexId, "Corvane.Check");
    Grant(kRexId, "Cheat.giveitem");
    Grant(kRexId, "Cheat.wrap");
    const struct {
        const char* command;
        std::vector<std::string> replies;
    } cases[] = {
        {"giveitem 12 50",
         {"/cheat giveitem 12 50 would run: Cheat.giveitem is held", "line: one printable line",
          "deny list: giveitem is not on it", "permission Cheat.giveitem: held",
          "argument rule: argument 1 (12): passes", "argument rule: argument 2 (50): passes",
          "cooldown: none", "announcement: everyone, as PrintToChat says"}},
        {"giveitem x 500",
         {"/cheat giveitem x 500 would be denied: argument 1 (x) matches no pattern",
          "line: one printable line", "deny list: giveitem is not on it", "permission Cheat.giveitem: held",
          "argument rule: argument 1 (x) matches no pattern: /Commands/giveitem/Arguments/0/Allow",
          "argument rule: argument 2 (500) is above 100: /Commands/giveitem/Arguments/1/Max"}},
        {"wrap giveitem 12 5",
         {"/cheat wrap giveitem 12 5 would run: Cheat.wrap is held", "line: one printable line",
          "names run: wrap, then giveitem", "deny list: none of them is on it", "permission Cheat.wrap: held",
          "argument rule: argument 1 (12): passes", "argument rule: argument 2 (5): passes", "cooldown: none",
          "announcement: everyone, as PrintToChat says"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        Events().Clear();
        SayChecked(rex_, std::string("/corvane check ") + c.command);
        std::vector<std::string> expected;
        for (const std::string& reply : c.replies) {
            expected.push_back("Rex from Server: " + reply);
        }
        EXPECT_EQ(Replies(), expected);
    }
}

// An argument's permission is asked only when its other rules pass.
TEST_F(CorvaneCommand, CheckAsksOnlyThePermissionsOfArgumentsWhoseOtherRulesPass) {
    const json rule = {{"Allow", {"w*"}}, {"Permission", true}};
    LoadWith({{"Commands", {{"spawn", {{"Arguments", {rule, rule}}}}}}});
    Grant(kRexId, "Corvane.Check");
    Grant(kRexId, "Cheat.spawn");
    SayChecked(rex_, "/corvane check spawn cat wolf");
    EXPECT_THAT(
        Replies(),
        ElementsAre(
            "Rex from Server: /cheat spawn cat wolf would be denied: argument 1 (cat) matches no pattern",
            "Rex from Server: line: one printable line", "Rex from Server: deny list: spawn is not on it",
            "Rex from Server: permission Cheat.spawn: held",
            "Rex from Server: permission Cheat.spawn.wolf: not held",
            "Rex from Server: argument rule: argument 1 (cat) matches no pattern: "
            "/Commands/spawn/Arguments/0/Allow",
            "Rex from Server: argument rule: Cheat.spawn.wolf is not held: "
            "/Commands/spawn/Arguments/1/Permission"));
}

TEST_F(CorvaneCommand, CheckRepliesAreBoundedWhateverIsTyped) {
    json rules = json::array();
    for (int i = 0; i < 60; ++i) {
        rules.push_back({{"Allow", {"1*"}}});
    }
    LoadWith({{"Commands", {{"giveitem", {{"Arguments", rules}}}}}});
    Grant(kRexId, "Corvane.Check");
    Grant(kRexId, "Cheat.giveitem");
    std::string arguments;
    for (int i = 0; i < 60; ++i) {
        arguments += " " + std::string(300, 'x');
    }
    SayChecked(rex_, "/corvane check giveitem" + arguments);
    SayChecked(rex_, "/corvane check " + std::string(3000, 'w'));
    std::size_t bytes = 0;
    const std::vector<std::string> replies = Replies();
    for (const std::string& reply : replies) {
        bytes += reply.size() - std::string("Rex from Server: ").size();
        EXPECT_LT(reply.size(), 600u) << reply.substr(0, 100);
    }
    EXPECT_LE(bytes, 2 * 4096u);
    // gtest's regular expressions on Windows know no brackets.
    EXPECT_THAT(replies, ::testing::Contains(
                             ::testing::AllOf(HasSubstr("... and "), ::testing::EndsWith(" more lines"))));
    EXPECT_THAT(replies, ::testing::Contains(HasSubstr("permission Cheat.www")));
    EXPECT_THAT(replies, ::testing::Contains(HasSubstr("... (2906 more characters): not held")));
}

}  // namespace
