// The stand-in engine's console, weak references and the framework's chat routing.
#include <gmock/gmock.h>

#include "core/gate/PermissionsPlugin.h"
#include "engine/FString.h"
#include "engine/FWeakObjectPtr.h"
#include "engine/Resolve.h"
#include "host/EngineFunctions.h"
#include "host/Velkor.h"
#include "tests/support/ServerFixture.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Outcome = DevHost::RouteResult::Outcome;

namespace {

class StandInEngine : public ServerFixture {
protected:
    std::vector<std::string> RunConsole(const std::string& line) {
        Events().Clear();
        FString output;
        FString command = FString::FromWide(W(line).c_str());
        Corvane::Engine::ResolveFunction<EngineFunctions::ConsoleCommand>(
            "AShooterPlayerController.ConsoleCommand")(rex_, &output, &command, true);
        EXPECT_GT(output.Length(), 0) << "the console writes its output";
        std::vector<std::string> ran;
        for (const auto& run : Events().Of<DevHost::ConsoleCommandRun>()) {
            ran.push_back(U(run.command));
        }
        return ran;
    }

    AShooterPlayerController* rex_ = nullptr;
};

TEST_F(StandInEngine, ConsoleRunsALineAsSeveralCommandsLikeAnEngine) {
    rex_ = Join("Rex", 1);
    struct Case {
        const char* line;
        std::vector<std::string> ran;
    } cases[] = {
        {"fly", {"fly"}},
        {"fly | slomo 5", {"fly ", " slomo 5"}},
        {"fly||slomo|", {"fly", "slomo"}},
        {"say \"a|b\" | fly", {"say \"a|b\" ", " fly"}},
        {"say \"a\nb\"", {"say \"a", "b\""}},
        {"fly\r\nwalk", {"fly", "walk"}},
        {"|", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(RunConsole(c.line), c.ran);
    }
}

TEST_F(StandInEngine, WeakReferencesStopResolvingWhenThePlayerLeaves) {
    rex_ = Join("Rex", 1);
    AShooterPlayerController* ann = Join("Ann", 2);
    const auto* list = Corvane::Engine::ResolveField<TEngineArray<FWeakObjectPtr>>(
        Velkor::GetApiUtils().CurrentWorld(), "UWorld.PlayerControllerList");
    ASSERT_EQ(list->Count, 2);
    const auto get =
        Corvane::Engine::ResolveFunction<EngineFunctions::WeakObjectPtrGet>("FWeakObjectPtr.Get");
    EXPECT_EQ(get(&list->Data[1], false), static_cast<UObject*>(ann));
    Server().Leave("Ann");
    EXPECT_EQ(get(&list->Data[1], false), nullptr);
    EXPECT_EQ(list->Count, 2) << "the entry stays in the list";
    EXPECT_EQ(get(&list->Data[0], false), static_cast<UObject*>(rex_));
}

TEST_F(StandInEngine, PermissionsAreExactAndCaseSensitive) {
    Grant(1, "Cheat.fly");
    Corvane::PermissionsPlugin plugin;
    const auto ask = [&plugin](std::uint64_t id, const char* permission) {
        FString name = FString::FromWide(W(permission).c_str());
        return plugin.IsPlayerHasPermission(id, name);
    };
    EXPECT_TRUE(ask(1, "Cheat.fly"));
    EXPECT_FALSE(ask(1, "Cheat.Fly"));
    EXPECT_FALSE(ask(1, "Cheat.fl"));
    EXPECT_FALSE(ask(2, "Cheat.fly"));
    Server().Revoke(1, "Cheat.fly");
    EXPECT_FALSE(ask(1, "Cheat.fly"));
}

TEST_F(StandInEngine, RoutingMatchesTheFirstWordIgnoringCaseAndReportsFailures) {
    rex_ = Join("Rex", 1);
    std::vector<std::string> seen;
    const FString command = FString::FromWide(WIDE("/boom"));
    Velkor::GetCommands().RegisterChatCommand(
        command, [&](AShooterPlayerController*, FString* line, EChatSendMode::Type) {
            seen.push_back(U(line->View()));
            if (line->View().find(WIDE("throw")) != WideStringView::npos) {
                throw std::runtime_error("handler failed");
            }
        });
    EXPECT_EQ(Say(rex_, "/BOOM now").outcome, Outcome::Handled);
    EXPECT_EQ(Say(rex_, "/boom").outcome, Outcome::Handled);
    EXPECT_EQ(Say(rex_, "/boomer now").outcome, Outcome::Unrouted);
    EXPECT_EQ(Say(rex_, " /boom now").outcome, Outcome::Unrouted);
    const auto failed = Say(rex_, "/boom throw");
    EXPECT_EQ(failed.outcome, Outcome::Failed);
    EXPECT_EQ(failed.error, "handler failed");
    EXPECT_THAT(seen, ElementsAre("/BOOM now", "/boom", "/boom throw"));
    ASSERT_EQ(LogLines().size(), 1u);
    EXPECT_THAT(LogLines()[0], ::testing::HasSubstr("handler failed"));
    EXPECT_TRUE(Velkor::GetCommands().UnregisterChatCommand(command));
    EXPECT_EQ(Say(rex_, "/boom now").outcome, Outcome::Unrouted);
}

}  // namespace
