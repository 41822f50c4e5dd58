// The dev host's command lines: what each takes from the line, exactly, and
// the reason it gives for a line it does not understand.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "devhost/console/Interpreter.h"
#include "devhost/console/Script.h"
#include "devhost/console/Session.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

class InterpreterTest : public ::testing::Test {
protected:
    void Run(const std::string& line) { interpreter_.Run(line); }

    std::vector<std::string> Printed() {
        std::vector<std::string> lines;
        std::istringstream stream(printed_.str());
        for (std::string line; std::getline(stream, line);) {
            lines.push_back(line);
        }
        printed_.str({});
        return lines;
    }

    std::string ConfigText() {
        std::ifstream file(session_.Server().Directory().ConfigFile(), std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    std::ostringstream printed_;
    DevHost::Session session_{DevHost::ServerDirectory::Prepare(std::nullopt), printed_};
    std::ostringstream help_;
    DevHost::Interpreter interpreter_{session_, help_};
};

TEST_F(InterpreterTest, SaySendsTheRestOfTheLineAsWritten) {
    Run("join alice 76561198000000001");
    Run("say alice hello  ");
    Run("say alice  /cheat fly");
    Run("say alice ");
    Run("say\talice\thi there");
    EXPECT_THAT(Printed(), ElementsAre("chat alice: hello  ", "chat alice:  /cheat fly",
                                       "chat alice: ", "chat alice: hi there"));
}

TEST_F(InterpreterTest, ConfigWritesTheRestOfTheLineByteForByte) {
    Run("config  {\"PrintToChat\": true} ");
    EXPECT_EQ(ConfigText(), " {\"PrintToChat\": true} ");
    Run("config");
    EXPECT_EQ(ConfigText(), "");
    Run("remove-config");
    Run("load");
    EXPECT_THAT(Printed(),
                ElementsAre(HasSubstr("[Corvane][error] Can't open config.json"), "plugin did not load"));
}

TEST_F(InterpreterTest, LinesThatAreNotCommandsAreRefusedWithTheirReason) {
    Run("join alice 76561198000000001");
    const struct {
        const char* line;
        const char* reason;
    } cases[] = {
        {"fly", "unknown command fly (try help)"},
        {"Say alice hi", "unknown command Say (try help)"},
        {"join bob", "usage: join <name> <steam-id>"},
        {"join bob 7 8", "usage: join <name> <steam-id>"},
        {"join bob 12x", "not a Steam id: 12x"},
        {"join bob -1", "not a Steam id: -1"},
        {"join bob 18446744073709551616", "not a Steam id: 18446744073709551616"},
        {"join alice 5", "alice is already connected"},
        {"join bob 76561198000000001", "Steam id 76561198000000001 is already connected as alice"},
        {"leave", "usage: leave <name>"},
        {"leave bob", "no player named bob is connected"},
        {"grant alice", "usage: grant <name> <permission>"},
        {"revoke bob Cheat.fly", "no player named bob is connected"},
        {"say alice", "usage: say <name> <text>"},
        {"say bob hi", "no player named bob is connected"},
        {"memory now", "usage: memory"},
        {"wait", "usage: wait <seconds>"},
        {"wait soon", "not a number of seconds: soon"},
        {"wait -5", "not a number of seconds: -5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        try {
            Run(c.line);
            ADD_FAILURE() << "accepted";
        } catch (const std::invalid_argument& error) {
            EXPECT_STREQ(error.what(), c.reason);
        }
    }
    EXPECT_THAT(Printed(), ElementsAre());
}

TEST_F(InterpreterTest, APlayerWhoLeftComesBackWithTheSameSteamIdAndGrants) {
    Run("join alice 76561198000000001");
    Run("grant alice Cheat.fly");
    Run("leave alice");
    Run("join alice 76561198000000001");
    Run("load");
    Run("say alice /cheat fly");
    // One announcement: the entry of the first connection no longer resolves.
    EXPECT_THAT(Printed(), ElementsAre(HasSubstr("[Corvane][info] Loaded "), "plugin loaded",
                                       StartsWith("audit: "), "console alice: fly",
                                       "broadcast -> alice [1 1 0 1]: alice used the cheat command: fly",
                                       "gameplay-log: alice used the cheat command: fly"));
}

TEST_F(InterpreterTest, CommentsAndBlankLinesDoNothingAndQuitEnds) {
    using Next = DevHost::Interpreter::Next;
    EXPECT_EQ(interpreter_.Run(""), Next::Continue);
    EXPECT_EQ(interpreter_.Run(" \t "), Next::Continue);
    EXPECT_EQ(interpreter_.Run("  # say alice hi"), Next::Continue);
    EXPECT_EQ(interpreter_.Run("help"), Next::Continue);
    EXPECT_EQ(interpreter_.Run("quit"), Next::Quit);
    EXPECT_THAT(help_.str(), HasSubstr("  say <name> <text>"));
    EXPECT_THAT(Printed(), ElementsAre());
}

TEST_F(InterpreterTest, AScriptStopsAtItsFirstMalformedLineNamingIt) {
    std::istringstream script(
        "join alice 76561198000000001\r\n\r\n# two\r\nsay alice hi\r\nbogus\r\nsay alice never\r\n");
    std::ostringstream errors;
    EXPECT_EQ(DevHost::RunScript(script, interpreter_, errors), 2);
    EXPECT_EQ(errors.str(), "script:5: unknown command bogus (try help)\n");
    EXPECT_THAT(Printed(), ElementsAre("chat alice: hi"));
}

TEST_F(InterpreterTest, AScriptEndsAtQuit) {
    std::istringstream script("join alice 76561198000000001\nquit\nsay alice never\n");
    std::ostringstream errors;
    EXPECT_EQ(DevHost::RunScript(script, interpreter_, errors), 0);
    EXPECT_EQ(errors.str(), "");
    EXPECT_THAT(Printed(), ElementsAre());
}

}  // namespace
