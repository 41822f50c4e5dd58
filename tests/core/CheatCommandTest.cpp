// The /cheat gate end to end: chat lines routed by the stand-in framework to
// the loaded plugin, observed through what the stand-in engine did.
#include <gmock/gmock.h>

#include "tests/support/GateFixture.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;

namespace {

constexpr std::uint64_t kRexId = 76561198000000001;

class CheatCommand : public GateFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        rex_ = Join("Rex", kRexId);
    }

    void LoadWith(const std::string& logMsg, bool printToChat) {
        WriteMessages(logMsg, "You may not.", "Server", printToChat);
        ASSERT_TRUE(LoadPlugin()) << Server().LoadError();
    }

    AShooterPlayerController* rex_ = nullptr;
};

TEST_F(CheatCommand, GrantedRunsTheCommandAndWritesTheGameplayLog) {
    LoadWith("{0} ran {1}", false);
    Grant(kRexId, "Cheat.fly");
    EXPECT_EQ(SayChecked(rex_, "/cheat fly").outcome, Outcome::Handled);
    EXPECT_THAT(Commands(), ElementsAre("Rex: fly"));
    EXPECT_THAT(GameplayLog(), ElementsAre("Rex ran fly"));
    EXPECT_THAT(Broadcasts(), IsEmpty());
    EXPECT_THAT(Replies(), IsEmpty());
    EXPECT_THAT(LogLines(), ElementsAre(HasSubstr("[Corvane][info] Loaded ")));
}

TEST_F(CheatCommand, GrantedWithPrintToChatAnnouncesInYellowToEveryoneInListOrder) {
    Join("Ann", 2);
    Join("Bob", 3);
    LoadWith("{0} ran {1}", true);
    Grant(kRexId, "Cheat.fly");
    SayChecked(rex_, "/cheat fly");
    EXPECT_THAT(Broadcasts(), ElementsAre("Rex: Rex ran fly", "Ann: Rex ran fly", "Bob: Rex ran fly"));
    for (const auto& message : Events().Of<DevHost::Broadcast>()) {
        EXPECT_EQ(message.colour.R, 1.0f);
        EXPECT_EQ(message.colour.G, 1.0f);
        EXPECT_EQ(message.colour.B, 0.0f);
        EXPECT_EQ(message.colour.A, 1.0f);
        EXPECT_FALSE(message.flag);
    }
    EXPECT_THAT(GameplayLog(), ElementsAre("Rex ran fly"));
}

TEST_F(CheatCommand, BroadcastPassesOverPlayersWhoLeft) {
    Join("Ann", 2);
    Join("Bob", 3);
    LoadWith("{0} ran {1}", true);
    Grant(kRexId, "Cheat.fly");
    Server().Leave("Ann");
    SayChecked(rex_, "/cheat fly");
    EXPECT_THAT(Broadcasts(), ElementsAre("Rex: Rex ran fly", "Bob: Rex ran fly"));
}

TEST_F(CheatCommand, RefusalSendsExactlyOnePrivateReplyAndRunsNothing) {
    Join("Ann", 2);
    LoadWith("{0} ran {1}", true);
    Grant(kRexId, "Cheat.walk");
    EXPECT_EQ(SayChecked(rex_, "/cheat fly").outcome, Outcome::Handled);
    EXPECT_THAT(Replies(), ElementsAre("Rex from Server: You may not."));
    EXPECT_THAT(Commands(), IsEmpty());
    EXPECT_THAT(GameplayLog(), IsEmpty());
    EXPECT_THAT(Broadcasts(), IsEmpty());
}

TEST_F(CheatCommand, LinesAskForTheFirstWordAndRunTheTextAsTyped) {
    struct Case {
        const char* line;
        const char* granted;
        std::vector<std::string> commands;
        std::size_t replies;
    } cases[] = {
        {"/cheat fly", "Cheat.fly", {"Rex: fly"}, 0},
        // The split drops the empty piece, the prefix removal takes exactly seven characters.
        {"/cheat  fly", "Cheat.fly", {"Rex:  fly"}, 0},
        {"/CHEAT fly", "Cheat.fly", {"Rex: fly"}, 0},
        {"/cheat Fly", "Cheat.fly", {}, 1},
        {"/cheat Fly", "Cheat.Fly", {"Rex: Fly"}, 0},
        {"/cheat giveitem 10 20", "Cheat.giveitem", {"Rex: giveitem 10 20"}, 0},
        {"/cheat giveitem 10 20", "Cheat.giveitem 10", {}, 1},
        // A tab is a control character: refused whatever the player holds.
        {"/cheat fly\tfast", "Cheat.fly", {}, 1},
        {"/cheat fly\tfast", "Cheat.fly\tfast", {}, 1},
        {"/cheat", "Cheat.", {}, 0},
        {"/cheat    ", "Cheat.", {}, 0},
    };
    WriteMessages("{0} ran {1}", "No.", "Server", false);
    ASSERT_TRUE(LoadPlugin());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Events().Clear();
        Server().RevokeAll();
        Grant(kRexId, c.granted);
        EXPECT_EQ(SayChecked(rex_, c.line).outcome, Outcome::Handled);
        EXPECT_EQ(Commands(), c.commands);
        EXPECT_THAT(Replies(), SizeIs(c.replies));
        EXPECT_EQ(GameplayLog().size(), c.commands.size());
    }
}

TEST_F(CheatCommand, TooShortLinesNeverAskThePermissionsPlugin) {
    LoadWith("{0} ran {1}", false);
    for (const char* line : {"/cheat", "/cheat ", "/cheat     "}) {
        SayChecked(rex_, line);
    }
    EXPECT_EQ(Server().PermissionQueries(), 0u);
    EXPECT_THAT(Replies(), IsEmpty());
}

TEST_F(CheatCommand, ChainedCommandsAreRefusedBeforeAskingAndLogged) {
    const char* lines[] = {
        "/cheat fly | slomo 5", "/cheat fly|slomo",   "/cheat fly\nslomo 5",
        "/cheat fly\rslomo",    "/cheat say \"a|b\"", "/cheat fly |",
    };
    LoadWith("{0} ran {1}", true);
    Grant(kRexId, "Cheat.fly");
    Grant(kRexId, "Cheat.say");
    std::vector<std::string> warnings;
    for (const char* line : lines) {
        SCOPED_TRACE(line);
        Events().Clear();
        EXPECT_EQ(SayChecked(rex_, line).outcome, Outcome::Handled);
        EXPECT_THAT(Commands(), IsEmpty());
        EXPECT_THAT(GameplayLog(), IsEmpty());
        EXPECT_THAT(Broadcasts(), IsEmpty());
        EXPECT_THAT(Replies(), ElementsAre("Rex from Server: You may not."));
        const auto log = LogLines();
        ASSERT_EQ(log.size(), 1u);
        EXPECT_THAT(log[0], HasSubstr("[Corvane][warning] "));
        EXPECT_THAT(log[0], HasSubstr(std::to_string(kRexId)));
        EXPECT_EQ(log[0].find_first_of("\r\n"), std::string::npos) << "a player must not forge log lines";
        warnings.push_back(log[0]);
    }
    EXPECT_THAT(warnings[0], HasSubstr(": fly | slomo 5"));
    EXPECT_THAT(warnings[2], HasSubstr(": fly\\nslomo 5"));
    EXPECT_EQ(Server().PermissionQueries(), 0u);
}

TEST_F(CheatCommand, BracesReachPlayersAndTheGameplayLogAlike) {
    struct Case {
        const char* player;
        const char* line;
        const char* logged;
    } cases[] = {
        {"Max", "/cheat say {x}", "Max ran say {x}"},     {"Max", "/cheat say {{x}}", "Max ran say {{x}}"},
        {"Max", "/cheat say }", "Max ran say }"},         {"Max", "/cheat say {", "Max ran say {"},
        {"Re{0}x", "/cheat say {}", "Re{0}x ran say {}"},
    };
    LoadWith("{0} ran {1}", true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Events().Clear();
        AShooterPlayerController* player = Join(c.player, 99);
        Grant(99, "Cheat.say");
        EXPECT_EQ(SayChecked(player, c.line).outcome, Outcome::Handled);
        EXPECT_THAT(GameplayLog(), ElementsAre(c.logged));
        ASSERT_FALSE(Events().Of<DevHost::Broadcast>().empty());
        for (const auto& message : Events().Of<DevHost::Broadcast>()) {
            EXPECT_EQ(U(message.text), c.logged);
        }
        Server().Leave(c.player);
    }
}

// The error's log line names the member that failed, the player and the command.
TEST_F(CheatCommand, ConfigurationsThatCannotLogAGrantedUseRunNothing) {
    struct Case {
        const char* config;
        const char* error;
    } cases[] = {
        {R"({"Messages": {"LogMsg": "{0} ran {1}"}})",
         "PrintToChat: [json.exception.type_error.302] type must be boolean, but is null"},
        {R"({"PrintToChat": "yes", "Messages": {"LogMsg": "{0} ran {1}"}})",
         "PrintToChat: [json.exception.type_error.302] type must be boolean, but is string"},
        {R"({"PrintToChat": false, "Messages": {"LogMsg": "{0} ran {1} {3}"}})",
         "Messages/LogMsg: argument not found"},
        {R"({"PrintToChat": false, "Messages": {"LogMsg": "ran }"}})",
         "Messages/LogMsg: unmatched '}' in format string"},
        {R"({"PrintToChat": false, "Messages": {"LogMsg": 5}})",
         "Messages/LogMsg: [json.exception.type_error.302] type must be string, but is number"},
        {R"({"PrintToChat": false, "Messages": ["LogMsg"]})",
         "Messages/LogMsg: [json.exception.type_error.306] cannot use value() with array"},
    };
    Grant(kRexId, "Cheat.fly");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.config);
        WriteConfig(c.config);
        ASSERT_TRUE(LoadPlugin()) << Server().LoadError();
        Events().Clear();
        SayChecked(rex_, "/cheat fly");
        EXPECT_EQ(ErrorLogged(),
                  std::string(c.error) + " (Steam id " + std::to_string(kRexId) + ", command \"fly\")");
        EXPECT_THAT(Commands(), IsEmpty());
        EXPECT_THAT(GameplayLog(), IsEmpty());
        UnloadPlugin();
    }
}

TEST_F(CheatCommand, RefusalsWithBrokenMessages) {
    struct Case {
        const char* messages;
        std::vector<std::string> replies;
        const char* error;
    } cases[] = {
        {R"({"NoPermissions": "No."})", {"Rex from No message: No."}, ""},
        {R"({"Sender": "Srv"})", {"Rex from Srv: No message"}, ""},
        {R"({"Sender": "Srv", "NoPermissions": "Use {{fly}}"})", {"Rex from Srv: Use {fly}"}, ""},
        {R"({"Sender": "Srv", "NoPermissions": "No {}"})", {}, "Messages/NoPermissions: argument not found"},
        {R"({"Sender": "Srv", "NoPermissions": "No }"})",
         {},
         "Messages/NoPermissions: unmatched '}' in format string"},
        {R"({"Sender": "Srv", "NoPermissions": ""})", {"Rex from Srv: "}, ""},
        {R"({"Sender": 5, "NoPermissions": "No."})",
         {},
         "Messages/Sender: [json.exception.type_error.302] type must be string, but is number"},
        {R"(["NoPermissions"])",
         {},
         "Messages/Sender: [json.exception.type_error.306] cannot use value() with array"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.messages);
        Events().Clear();
        WriteConfig(std::string(R"({"PrintToChat": false, "Messages": )") + c.messages + "}");
        ASSERT_TRUE(LoadPlugin()) << Server().LoadError();
        Events().Clear();
        SayChecked(rex_, "/cheat fly");
        EXPECT_EQ(ErrorLogged(), *c.error == 0 ? ""
                                               : std::string(c.error) + " (Steam id " +
                                                     std::to_string(kRexId) + ", command \"fly\")");
        EXPECT_EQ(Replies(), c.replies);
        EXPECT_THAT(Commands(), IsEmpty());
        UnloadPlugin();
    }
}

TEST_F(CheatCommand, NonAsciiTextsArriveAsTyped) {
    WriteConfig(
        R"({"PrintToChat": true, "Messages": {"LogMsg": "{0} a lancé {1} ✓", "NoPermissions": "Non, {0} refusé", "Sender": "Serveur"}})");
    ASSERT_TRUE(LoadPlugin());
    AShooterPlayerController* zoe = Join("Zoë", 5);
    Grant(5, "Cheat.dire");
    SayChecked(zoe, "/cheat dire héllo 😀");
    EXPECT_THAT(Commands(), ElementsAre("Zoë: dire héllo 😀"));
    EXPECT_THAT(GameplayLog(), ElementsAre("Zoë a lancé dire héllo 😀 ✓"));
}

TEST_F(CheatCommand, MissingEngineFunctionsNeverLeaveARunCommandUnlogged) {
    struct Case {
        const char* hidden;
        const char* line;
        const char* error;
    } cases[] = {
        {"AShooterPlayerController.ConsoleCommand", "/cheat fly",
         "Engine function not found: AShooterPlayerController.ConsoleCommand"},
        {"AShooterGameMode.PrintToGameplayLog", "/cheat fly",
         "Engine function not found: AShooterGameMode.PrintToGameplayLog"},
        {"FWeakObjectPtr.Get", "/cheat fly", "Engine function not found: FWeakObjectPtr.Get"},
        {"UWorld.PlayerControllerList", "/cheat fly", "Engine field not found: UWorld.PlayerControllerList"},
        {"AShooterPlayerController.ClientServerChatDirectMessage", "/cheat fly",
         "Engine function not found: AShooterPlayerController.ClientServerChatDirectMessage"},
        {"AShooterPlayerController.ClientChatMessage", "/cheat walk",
         "Engine function not found: AShooterPlayerController.ClientChatMessage"},
    };
    LoadWith("{0} ran {1}", true);
    Grant(kRexId, "Cheat.fly");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hidden);
        Events().Clear();
        DevHost::HideName(c.hidden);
        SayChecked(rex_, c.line);
        DevHost::ShowAllNames();
        EXPECT_EQ(ErrorLogged(), std::string(c.error) + " (Steam id " + std::to_string(kRexId) +
                                     ", command \"" + (c.line + 7) + "\")");
        EXPECT_THAT(Commands(), IsEmpty()) << "checked before the command runs";
        EXPECT_THAT(GameplayLog(), IsEmpty());
        EXPECT_THAT(Replies(), IsEmpty());
    }
}

TEST_F(CheatCommand, EveryEngineNameIsResolvedAtEveryUse) {
    Join("Ann", 2);
    LoadWith("{0} ran {1}", true);
    Grant(kRexId, "Cheat.fly");
    DevHost::ResetResolutionCounts();
    SayChecked(rex_, "/cheat fly");
    SayChecked(rex_, "/cheat fly");
    EXPECT_EQ(DevHost::ResolutionCount("AShooterPlayerController.ConsoleCommand"), 2u);
    EXPECT_EQ(DevHost::ResolutionCount("AShooterGameMode.PrintToGameplayLog"), 2u);
    // Each use finds the world's list and checks the two functions once before
    // it runs; the broadcast then resolves the functions anew for every player.
    EXPECT_EQ(DevHost::ResolutionCount("UWorld.PlayerControllerList"), 2u);
    EXPECT_EQ(DevHost::ResolutionCount("FWeakObjectPtr.Get"), 6u);
    EXPECT_EQ(DevHost::ResolutionCount("AShooterPlayerController.ClientServerChatDirectMessage"), 6u);
}

}  // namespace
