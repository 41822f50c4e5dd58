// The operator's controls on the /cheat gate (deny list, cooldowns,
// announcement modes, the audit file, the checks at load) and the mends that
// came with them, end to end through the loaded plugin.
#include <gmock/gmock.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include <nlohmann/json.hpp>

#include "core/platform/File.h"
#include "devhost/events/Answers.h"
#include "tests/support/AuditedGateFixture.h"
#include "tests/support/StdRegex.h"

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::SizeIs;
using json = nlohmann::json;

namespace {

class OperatorControls : public AuditedGateFixture {
protected:
    void SetUp() override {
        AuditedGateFixture::SetUp();
        Grant(kRexId, "Cheat.quit");
    }
};

TEST_F(OperatorControls, ACommandIsOnePrintableLineAcrossItsWholeCount) {
    struct Case {
        const char* name;
        std::string line;
        bool runs;
    } cases[] = {
        {"NUL, then a chained command", std::string("/cheat fly\0|say x", 17), false},
        {"C0 control", "/cheat fly\x01", false},
        {"tab", "/cheat fly\tx", false},
        {"DEL", "/cheat fly\x7F", false},
        {"C1 control", "/cheat fly\u0085x", false},
        {"line separator", "/cheat fly\u2028say x", false},
        {"paragraph separator", "/cheat fly\u2029", false},
        {"bar", "/cheat fly|x", false},
        {"surrogate without its pair", "/cheat fly \xED\xA0\x80", false},
        {"second half of a pair alone", "/cheat fly \xED\xBF\xBFx", false},
        {"NUL right after the prefix", std::string("/cheat \0quit|fly", 16), false},
        {"NUL alone", std::string("/cheat \0", 8), false},
        {"bidirectional control, shown escaped but harmless", "/cheat fly \u202Ex", true},
        {"letters beyond ASCII", "/cheat fly é😀", true},
    };
    LoadWith(json::object());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Events().Clear();
        const auto queries = Server().PermissionQueries();
        SayChecked(rex_, c.line);
        EXPECT_EQ(Commands().size(), c.runs ? 1u : 0u);
        EXPECT_EQ(Replies().size(), c.runs ? 0u : 1u);
        EXPECT_EQ(Server().PermissionQueries() - queries, c.runs ? 1u : 0u);
        EXPECT_EQ(WarningLogged().empty(), c.runs);
    }
}

TEST_F(OperatorControls, TheRefusalWarningCanNeitherForgeNorFloodTheLog) {
    LoadWith(json::object());
    SayChecked(rex_, "/cheat fly\u0085\u2028\u202E\u2066|x");
    EXPECT_THAT(WarningLogged(),
                EndsWith("Refused chained command from 1: fly\\u0085\\u2028\\u202E\\u2066|x"));
    Events().Clear();
    SayChecked(rex_, "/cheat fly\\n|x");  // a typed backslash can't pass for an escape
    EXPECT_THAT(WarningLogged(), EndsWith(": fly\\\\n|x"));
    Events().Clear();
    SayChecked(rex_, "/cheat fly|" + std::string(3'000'000, 'x'));
    const std::string warning = WarningLogged();
    EXPECT_LT(warning.size(), 300u);
    EXPECT_THAT(warning, EndsWith("fly|" + std::string(196, 'x') + "... (2999804 more characters)"));
}

TEST_F(OperatorControls, TheErrorLineEscapesThePlayersCommandOnce) {
    LoadWith({{"Messages", {{"LogMsg", "{3}"}}}});
    SayChecked(rex_, "/cheat fly a\\b\u202E");
    EXPECT_EQ(ErrorLogged(), R"(Messages/LogMsg: argument not found (Steam id 1, command "fly a\\b\u202E"))");
}

TEST_F(OperatorControls, EverythingTheRecordNeedsIsCheckedBeforeTheCommandRuns) {
    using Kind = DevHost::Answer::Kind;
    struct Case {
        Kind failing;
        const char* name;
        bool announce;
        const char* error;
    } cases[] = {
        {Kind::CurrentGameMode, "", false, "No current game mode"},
        {Kind::EngineFunction, "AShooterGameMode.PrintToGameplayLog", false,
         "Engine function not found: AShooterGameMode.PrintToGameplayLog"},
        {Kind::CurrentWorld, "", true, "No current world"},
        {Kind::EngineField, "UWorld.PlayerControllerList", true,
         "Engine field not found: UWorld.PlayerControllerList"},
        {Kind::EngineFunction, "FWeakObjectPtr.Get", true, "Engine function not found: FWeakObjectPtr.Get"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        LoadWith({{"PrintToChat", c.announce}, {"AuditLog", "audit.jsonl"}});
        DevHost::TheAnswers().Restart([&](const DevHost::Answer& answer, std::size_t) {
            return answer.kind == c.failing && answer.name == c.name;
        });
        SayChecked(rex_, "/cheat fly");
        DevHost::TheAnswers().Stop();
        EXPECT_THAT(Commands(), IsEmpty());
        EXPECT_THAT(GameplayLog(), IsEmpty());
        EXPECT_EQ(ErrorLogged(), std::string(c.error) + " (Steam id 1, command \"fly\")");
        EXPECT_EQ(LastAudit()["outcome"], "failed");
        EXPECT_EQ(LastAudit()["error"], c.error);
        UnloadPlugin();
    }
}

TEST_F(OperatorControls, DeniedNamesAreReadAsTheConsoleReadsThem) {
    struct Case {
        const char* line;
        bool denied;
    } cases[] = {
        {"/cheat quit", true},      {"/cheat  QUIT", true},  {"/cheat quit;", true},
        {"/cheat Quit now", true},  {"/cheat exit", true},   {"/cheat quitter", false},
        {"/cheat fly quit", false}, {"/cheat _quit", false},
    };
    LoadWith(
        {{"Deny", {"exit", "Quit"}}, {"AuditLog", "audit.jsonl"}, {"Messages", {{"Denied", "Not that."}}}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Events().Clear();
        const auto queries = Server().PermissionQueries();
        SayChecked(rex_, c.line);
        EXPECT_EQ(Server().PermissionQueries() == queries, c.denied)
            << "denied before the permission is asked";
        EXPECT_EQ(LastAudit()["outcome"] == "denied", c.denied);
        if (c.denied) {
            EXPECT_THAT(Replies(), ElementsAre("Rex from Server: No."))
                << "the reply of a missing permission";
            EXPECT_FALSE(LastAudit().contains("permission"));
        }
    }
}

TEST_F(OperatorControls, CooldownsHoldBackThePlayerAndTheNameUntilTheyPass) {
    LoadWith({{"Commands", {{"fly", {{"Cooldown", 30}}}, {"*", {{"Cooldown", 5}}}}},
              {"Messages", {{"Cooldown", "Wait {0} s ({2}) before {1}."}}}});
    Grant(kAnnId, "Cheat.fly");
    Grant(kRexId, "Cheat.FLY");
    Grant(kRexId, "Cheat.walk");
    const auto pass = [&](double seconds) {
        Server().LetTimePass(
            std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::duration<double>(seconds)));
    };
    SayChecked(rex_, "/cheat fly");
    SayChecked(rex_, "/cheat FLY now");  // the same name, as the console reads it
    pass(29.2);
    SayChecked(rex_, "/cheat fly");
    SayChecked(ann_, "/cheat fly");   // another player
    SayChecked(rex_, "/cheat walk");  // another name, under "*"
    SayChecked(rex_, "/cheat walk");
    pass(1);
    SayChecked(rex_, "/cheat fly");
    // A text whose name the console can't read is no command to hold back.
    Grant(kRexId, "Cheat.;x");
    SayChecked(rex_, "/cheat ;x");
    SayChecked(rex_, "/cheat ;x");
    EXPECT_THAT(Commands(),
                ElementsAre("Rex: fly", "Ann: fly", "Rex: walk", "Rex: fly", "Rex: ;x", "Rex: ;x"));
    EXPECT_THAT(Replies(), ElementsAre("Rex from Server: Wait 30 s (30 seconds) before fly.",
                                       "Rex from Server: Wait 1 s (1 second) before fly.",
                                       "Rex from Server: Wait 5 s (5 seconds) before walk."));
}

// The innermost name's settings apply: its cooldown, shared with the command
// typed alone, and its announcement.
TEST_F(OperatorControls, AWrappedUseTakesTheSettingsOfTheCommandItRuns) {
    LoadWith({{"AuditLog", "audit.jsonl"},
              {"PrintToChat", true},
              {"Wrappers", {"wrap"}},
              {"Commands", {{"giveitem", {{"Cooldown", 60}, {"Announce", "none"}}}}}});
    Grant(kRexId, "Cheat.wrap");
    Grant(kRexId, "Cheat.giveitem");
    SayChecked(rex_, "/cheat wrap giveitem 5");
    SayChecked(rex_, "/cheat giveitem 5");
    EXPECT_THAT(Commands(), ElementsAre("Rex: wrap giveitem 5"));
    EXPECT_THAT(Broadcasts(), IsEmpty());
    EXPECT_THAT(Replies(), ElementsAre("Rex from Server: You can use giveitem again in 1 minute."));
    ASSERT_THAT(AuditLines(), SizeIs(2));
    EXPECT_EQ(json::parse(AuditLines()[0])["names"], json::parse(R"(["wrap","giveitem"])"));
}

TEST_F(OperatorControls, NoCooldownHoldersAreNeverHeldBackAndTheTextHasADefault) {
    LoadWith({{"Commands", {{"fly", {{"Cooldown", 60}}}}}});
    SayChecked(rex_, "/cheat fly");
    SayChecked(rex_, "/cheat fly");
    Grant(kRexId, "Corvane.NoCooldown");
    SayChecked(rex_, "/cheat fly");
    EXPECT_THAT(Commands(), ElementsAre("Rex: fly", "Rex: fly"));
    EXPECT_THAT(Replies(), ElementsAre("Rex from Server: You can use fly again in 1 minute."));
}

TEST_F(OperatorControls, CooldownsAreForgottenAtUnload) {
    LoadWith({{"Commands", {{"fly", {{"Cooldown", 60}}}}}});
    SayChecked(rex_, "/cheat fly");
    UnloadPlugin();
    ASSERT_TRUE(LoadPlugin());
    SayChecked(rex_, "/cheat fly");
    EXPECT_THAT(Commands(), ElementsAre("Rex: fly", "Rex: fly"));
}

TEST_F(OperatorControls, ALineARuleDeniesGetsTheDeniedReplyAndAnAuditLineNamingTheRule) {
    LoadWith({{"AuditLog", "audit.jsonl"},
              {"Messages", {{"Denied", "Not that."}}},
              {"Commands", {{"spawn", {{"Arguments", {{{"Allow", {"w*"}}, {"Permission", true}}}}}}}}});
    Grant(kRexId, "Cheat.spawn");
    Grant(kRexId, "Cheat.spawn.wolf");
    SayChecked(rex_, "/cheat spawn Wolf");
    SayChecked(rex_, "/cheat spawn cat");
    SayChecked(rex_, "/cheat spawn wolf");
    EXPECT_THAT(Commands(), ElementsAre("Rex: spawn wolf"));
    EXPECT_THAT(Replies(), ElementsAre("Rex from Server: Not that.", "Rex from Server: Not that."));
    const auto lines = AuditLines();
    ASSERT_THAT(lines, SizeIs(3));
    const json first = json::parse(lines[0]);
    EXPECT_EQ(first["outcome"], "denied");
    EXPECT_EQ(first["rule"], "/Commands/spawn/Arguments/0/Permission");
    EXPECT_EQ(first["permission"], "Cheat.spawn");
    EXPECT_EQ(first["asked"], json::parse(R"([{"permission": "Cheat.spawn.Wolf", "held": false}])"));
    EXPECT_EQ(json::parse(lines[1])["rule"], "/Commands/spawn/Arguments/0/Allow");
    EXPECT_FALSE(json::parse(lines[2]).contains("rule"));
}

// check-config said "no problems found" while its own preview refused every use.
TEST_F(OperatorControls, AnAuditFileThatCantBeWrittenIsWarnedOfAtLoad) {
    WriteConfig(R"({"PrintToChat": false, "AuditLog": "config.json/audit.jsonl",
                    "Messages": {"LogMsg": "{0} ran {1}", "NoPermissions": "No.", "Sender": "Server"}})");
    ASSERT_TRUE(LoadPlugin()) << Server().LoadError();  // config.json, a file, can't be the file's folder
    EXPECT_THAT(LogLines(), ElementsAre(AllOf(HasSubstr("[Corvane][warning] config.json: /AuditLog: "),
                                              HasSubstr("audit.jsonl can't be written ("),
                                              EndsWith("): every use will be refused until it can")),
                                        HasSubstr("[Corvane][info] Loaded ")));
    Events().Clear();
    SayChecked(rex_, "/cheat fly");
    EXPECT_THAT(Commands(), IsEmpty());
    EXPECT_THAT(Replies(), ElementsAre("Rex from Server: No."));
}

TEST_F(OperatorControls, AnnounceDecidesWhoSeesAGrantedUse) {
    Join("Bob", 3);
    Grant(kAnnId, "Corvane.SeeAnnouncements");
    Grant(kRexId, "Corvane.SeeAnnouncements");
    struct Case {
        json config;
        std::vector<std::string> recipients;
    } cases[] = {
        {{{"PrintToChat", true}}, {"Rex", "Ann", "Bob"}},
        {{{"PrintToChat", true}, {"Commands", {{"fly", {{"Announce", "none"}}}}}}, {}},
        {{{"PrintToChat", false}, {"Commands", {{"fly", {{"Announce", "all"}}}}}}, {"Rex", "Ann", "Bob"}},
        {{{"PrintToChat", false}, {"Commands", {{"*", {{"Announce", "admins"}}}}}}, {"Rex", "Ann"}},
        // Not looked up when Announce decides: its being missing is no error.
        {{{"PrintToChat", nullptr}, {"Commands", {{"fly", {{"Announce", "none"}}}}}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.config.dump());
        LoadWith(c.config);
        SayChecked(rex_, "/cheat fly");
        std::vector<std::string> recipients;
        for (const auto& message : Events().Of<DevHost::Broadcast>()) {
            recipients.push_back(message.player);
        }
        EXPECT_EQ(recipients, c.recipients);
        EXPECT_THAT(GameplayLog(), ElementsAre("Rex ran fly")) << "logged whatever the announcement";
        EXPECT_EQ(ErrorLogged(), "");
        UnloadPlugin();
    }
}

TEST_F(OperatorControls, EveryDecisionGetsOneAuditLineBeforeAnythingHappens) {
    LoadWith(
        {{"AuditLog", "audit/cheat.jsonl"}, {"Deny", {"quit"}}, {"Commands", {{"fly", {{"Cooldown", 9}}}}}});
    SayChecked(rex_, "/cheat fly");
    SayChecked(rex_, "/cheat fly");
    SayChecked(rex_, "/cheat walk");
    SayChecked(rex_, "/cheat quit");
    SayChecked(rex_, "/cheat x|y");
    const auto lines = AuditLines();
    ASSERT_THAT(lines, SizeIs(5));
    const std::vector<json> expected = {
        {{"steamId", "1"},
         {"character", "Rex"},
         {"command", "fly"},
         {"names", {"fly"}},
         {"permission", "Cheat.fly"},
         {"outcome", "granted"}},
        {{"steamId", "1"},
         {"character", "Rex"},
         {"command", "fly"},
         {"names", {"fly"}},
         {"permission", "Cheat.fly"},
         {"asked", {{{"permission", "Corvane.NoCooldown"}, {"held", false}}}},
         {"outcome", "cooldown"}},
        {{"steamId", "1"},
         {"character", "Rex"},
         {"command", "walk"},
         {"names", {"walk"}},
         {"permission", "Cheat.walk"},
         {"outcome", "refused"}},
        {{"steamId", "1"},
         {"character", "Rex"},
         {"command", "quit"},
         {"names", {"quit"}},
         {"outcome", "denied"}},
        {{"steamId", "1"}, {"character", "Rex"}, {"command", "x|y"}, {"outcome", "rejected"}},
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(lines[i]);
        json line = json::parse(lines[i]);
        EXPECT_THAT(line["time"].get<std::string>(),
                    MatchesStdRegex("[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}Z"));
        line.erase("time");
        EXPECT_EQ(line, expected[i]);
    }
    // Shown as it reads, in a terminal or a viewer: no character hides or turns the line.
    SayChecked(rex_, "/cheat walk \u202Eyalp\u0085");
    EXPECT_THAT(AuditLines().back(), HasSubstr(R"("command":"walk \u202Eyalp\u0085")"));
    const auto file = Server().Directory().PluginFolder() / "audit" / "cheat.jsonl";
    std::ifstream written(file);
    EXPECT_EQ(std::count(std::istreambuf_iterator<char>(written), {}, '\n'), 6)
        << "one line each, in the file";
}

TEST_F(OperatorControls, ALongCommandThatDoesNotRunIsCutInItsAuditLine) {
    LoadWith({{"AuditLog", "audit.jsonl"}});
    SayChecked(rex_, "/cheat walk " + std::string(1500, 'x'));
    EXPECT_EQ(LastAudit()["command"].get<std::string>().size(), 1000u);
    EXPECT_EQ(LastAudit()["cut"], 505);
    SayChecked(rex_, "/cheat fly " + std::string(1500, 'x'));
    EXPECT_EQ(LastAudit()["command"].get<std::string>().size(), 1504u) << "what ran is recorded whole";
    EXPECT_FALSE(LastAudit().contains("cut"));
}

TEST_F(OperatorControls, NothingRunsWhenItsAuditLineCannotBeWritten) {
    std::ofstream(Server().Directory().PluginFolder() / "blocked") << "a file, not a folder";
    LoadWith({{"AuditLog", "blocked/audit.jsonl"}});
    SayChecked(rex_, "/cheat fly");
    EXPECT_THAT(Commands(), IsEmpty());
    EXPECT_THAT(GameplayLog(), IsEmpty());
    EXPECT_THAT(Replies(), ElementsAre("Rex from Server: No."));
    EXPECT_THAT(ErrorLogged(), HasSubstr("blocked"));
    EXPECT_THAT(ErrorLogged(), HasSubstr("audit.jsonl: "));
}

TEST_F(OperatorControls, TheAuditFileIsOnlyAppendedToAndMayLieAnywhere) {
    const auto file = Server().Directory().Root() / "elsewhere" / "audit.jsonl";
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << "kept\n";
    LoadWith({{"AuditLog", file.generic_string()}});
    SayChecked(rex_, "/cheat fly");
    std::ifstream written(file);
    std::string first;
    std::getline(written, first);
    EXPECT_EQ(first, "kept");
    EXPECT_THAT(AuditLines(), SizeIs(1));
}

TEST_F(OperatorControls, TheGameplayLogCanNameTheAccount) {
    LoadWith({{"Messages", {{"LogMsg", "{0} ({2}) ran {1}"}}}});
    SayChecked(rex_, "/cheat fly");
    EXPECT_THAT(GameplayLog(), ElementsAre("Rex (1) ran fly"));
}

TEST_F(OperatorControls, AMalformedControlStopsTheLoadNamingIt) {
    struct Case {
        json controls;
        const char* error;
    } cases[] = {
        {{{"AuditLog", 5}}, "config.json: /AuditLog: is a number, not the text of a file's path"},
        {{{"AuditLog", std::string("a\0b.jsonl", 9)}},
         "config.json: /AuditLog: holds a NUL character, which no file's path can"},
        {{{"Deny", "quit"}}, "config.json: /Deny: is a string, not a list of command names"},
        {{{"Deny", {"quit", 7}}}, "config.json: /Deny/1: is a number, not a command name"},
        {{{"Commands", {"fly"}}}, "config.json: /Commands: is an array, not an object of command entries"},
        {{{"Commands", {{"fly", 30}}}}, "config.json: /Commands/fly: is a number, not an object"},
        {{{"Commands", {{"fly", {{"Cooldwon", 30}}}}}},
         "config.json: /Commands/fly/Cooldwon: is not a setting of a command (Cooldown, Announce, "
         "MaxArguments, Arguments, MaxUses, Tiers) (did you "
         "mean /Commands/fly/Cooldown?)"},
        {{{"Commands", {{"giveitem", {{"Cooldown", "soon"}}}}}},
         "config.json: /Commands/giveitem/Cooldown: is a string, not a number of seconds, 0 or more"},
        {{{"Commands", {{"fly", {{"Cooldown", -1}}}}}},
         "config.json: /Commands/fly/Cooldown: is negative, not a number of seconds, 0 or more"},
        {{{"Commands", {{"fly", {{"Announce", "everyone"}}}}}},
         R"(config.json: /Commands/fly/Announce: is "everyone", not one of "all", "none" or "admins")"},
        {{{"Commands", {{"fly", json::object()}, {"FLY", json::object()}}}},
         "config.json: /Commands/fly: names the same command as /Commands/FLY (case is ignored)"},
        // The words the plugin adds to what the operator wrote are its own: no escape doubles them.
        {{{"AuditLog", Corvane::Platform::kWindowsPaths ? "\\audit.jsonl" : "logs\\audit.jsonl"}},
         Corvane::Platform::kWindowsPaths
             ? "config.json: /AuditLog: starts at the root of the current drive, which the plugin can't "
               "know: write a full path, with its drive letter, or one relative to the plugin's folder"
             : "config.json: /AuditLog: holds a backslash, which separates folders only on Windows: write / "
               "instead"},
        {{{"AuditLog", "D:audit.jsonl"}},
         Corvane::Platform::kWindowsPaths
             ? "config.json: /AuditLog: is relative to the current folder of drive D:, which the plugin "
               "can't know: write a full path, from the drive's root folder, or one relative to the "
               "plugin's folder"
             : "config.json: /AuditLog: starts with drive D:, which only Windows has"},
        // A player's audit line would be read as the next load's configuration.
        {{{"AuditLog", "config.json"}},
         "config.json: /AuditLog: names the configuration file: a player's audit line would be read as the "
         "configuration at the next load"},
        {{{"AuditLog", "logs/../config.json"}},
         "config.json: /AuditLog: names the configuration file: a player's audit line would be read as the "
         "configuration at the next load"},
        // A control written with a typo would not apply: it stops the load too.
        {{{"deny", {"quit"}}}, "config.json: /deny: is not read by the plugin (did you mean /Deny?)"},
        {{{"Messages", {{"AuditLog", "a.jsonl"}}}},
         "config.json: /Messages/AuditLog: is not read by the plugin (it belongs at /AuditLog)"},
        // A security control fails closed: a name it can't hold stops the load.
        {{{"Deny", {"quit now"}}},
         "config.json: /Deny/0: \"quit now\" is not a command name (ASCII letters, digits and _ only, "
         "nothing "
         "else): the deny list can't hold it"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.controls.dump());
        Events().Clear();
        json config = {{"PrintToChat", true}, {"Messages", {{"LogMsg", "{0} ran {1}"}}}};
        config.merge_patch(c.controls);
        WriteConfig(config.dump());
        EXPECT_FALSE(LoadPlugin());
        EXPECT_THAT(LogLines(), ElementsAre(EndsWith(std::string("[Corvane][error] ") + c.error)));
        EXPECT_FALSE(DevHost::IsCommandRegistered(W("/cheat")));
    }
}

// A pipe would hold the load until something read it; a rotated one, the
// restore or a rotation.
TEST_F(OperatorControls, AnAuditFileThatIsAPipeStopsTheLoad) {
#if defined(_WIN32)
    GTEST_SKIP() << "Windows has no pipes among its files";
#else
    for (const char* name : {"audit.jsonl", "audit.2.jsonl"}) {
        SCOPED_TRACE(name);
        Events().Clear();
        const auto folder = Server().Directory().PluginFolder();
        std::ofstream(folder / "audit.jsonl");
        std::ofstream(folder / "audit.1.jsonl");
        std::filesystem::remove(folder / name);
        ASSERT_EQ(mkfifo((folder / name).c_str(), 0600), 0);
        WriteConfig(
            ConfigWith({{"AuditLog", "audit.jsonl"}, {"AuditRotate", {{"MaxBytes", 65536}, {"Keep", 1}}}}));
        EXPECT_FALSE(LoadPlugin());
        EXPECT_THAT(
            LogLines(),
            ElementsAre(EndsWith("[Corvane][error] config.json: /AuditLog: " + (folder / name).string() +
                                 " is a pipe, which the plugin would wait on: the audit file and its "
                                 "rotated files must be files")));
        std::filesystem::remove(folder / name);
    }
#endif
}

TEST_F(OperatorControls, AFieldWiderThanAThousandIsFormattedAtAThousand) {
    LoadWith({{"Messages", {{"LogMsg", "{0:>5000}|{1:.2000}"}, {"Cooldown", "{1:_<3000}"}}},
              {"Commands", {{"fly", {{"Cooldown", 60}}}}}});
    SayChecked(rex_, "/cheat fly");
    SayChecked(rex_, "/cheat fly");
    EXPECT_THAT(GameplayLog(), ElementsAre(std::string(997, ' ') + "Rex|fly"));
    EXPECT_THAT(Replies(), ElementsAre("Rex from Server: fly" + std::string(997, '_')));
}

TEST_F(OperatorControls, ProblemsThatWouldSurfaceAtAFirstUseAreWarnedOfAtLoad) {
    struct Case {
        json config;
        std::vector<std::string> warnings;
    } cases[] = {
        {{{"Messages", {{"LogMsg", "{0} ran {1}"}}}},
         {"config.json: /PrintToChat: missing: no granted command would run"}},
        // "*" decides for every name the console reads, but not for one it can't.
        {{{"Messages", {{"LogMsg", "{0} ran {1}"}}}, {"Commands", {{"*", {{"Announce", "all"}}}}}},
         {"config.json: /PrintToChat: missing: a granted command whose name the console can't read (such as "
          "\";x\"), which takes no entry of Commands, would not run"}},
        // The warning names the commands whose entry lets them run, or those that would fail.
        {{{"Messages", {{"LogMsg", "{0} ran {1}"}}}, {"Commands", {{"god", {{"Announce", "none"}}}}}},
         {"config.json: /PrintToChat: missing: no granted command would run but god, whose entry sets "
          "Announce"}},
        {{{"Messages", {{"LogMsg", "{0} ran {1}"}}},
          {"Commands",
           {{"*", {{"Announce", "all"}}}, {"fly", {{"MaxArguments", 1}}}, {"god", json::object()}}}},
         {"config.json: /PrintToChat: missing: granted fly, god would not run (their entries set no "
          "Announce), "
          "nor would a command whose name the console can't read (such as \";x\")"}},
        {{{"PrintToChat", true}, {"Messages", {{"LogMsg", "{0} ran"}}}},
         {"config.json: /Messages/LogMsg: has no {1}: the gameplay log would not say which command ran"}},
        {{{"PrintToChat", true}, {"Messages", {{"LogMsg", "{} ran {}"}, {"Sender", 1}}}},
         {"config.json: /Messages/Sender: is a number, not a text: refused players would get no reply"}},
        {{{"PrintToChat", true}, {"Messages", {{"LogMsg", "{0} ran {1}"}, {"Cooldown", "{0} {1} {2}"}}}}, {}},
        {{{"PrintToChat", true}, {"Messages", {{"LogMsg", "{0} ran {1}"}, {"Cooldown", "{3}"}}}},
         {"config.json: /Messages/Cooldown: the formatting library rejects it (argument not found): players "
          "held back by a cooldown would get no reply; it takes at most three fields, {0} the seconds left, "
          "{1} "
          "the command and {2} the time left in words, and a literal brace is written {{ or }}"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.config.dump());
        Events().Clear();
        WriteConfig(c.config.dump());
        EXPECT_TRUE(LoadPlugin());
        std::vector<std::string> warnings;
        for (const auto& line : LogLines()) {
            if (const auto at = line.find("[Corvane][warning] "); at != std::string::npos) {
                warnings.push_back(line.substr(at + 19));
            }
        }
        EXPECT_EQ(warnings, c.warnings);
        UnloadPlugin();
    }
}

}  // namespace
