// Argument rules on their own: how the console's arguments are read, what a
// number and a pattern accept, and what the decision makes of each rule.
#include <gmock/gmock.h>

#include <map>
#include <sstream>

#include "core/gate/Decision.h"
#include "core/settings/ArgumentRules.h"
#include "core/settings/ConfigReader.h"
#include "core/text/CommandText.h"
#include "devhost/server/StandInServer.h"

namespace {

using Corvane::Outcome;
using ::testing::ElementsAre;

std::string Narrow(WideStringView text) {
    return std::string(text.begin(), text.end());
}

TEST(ReadArguments, BlankSeparatedWordsAndQuotedOnes) {
    const struct {
        const WideChar* text;
        std::optional<std::vector<std::string>> arguments;
    } cases[] = {
        {WIDE(""), std::vector<std::string>{}},
        {WIDE("   "), std::vector<std::string>{}},
        {WIDE(" 10  20 "), std::vector<std::string>{"10", "20"}},
        {WIDE("\"two words\" 5"), std::vector<std::string>{"two words", "5"}},
        {WIDE("\"\" x"), std::vector<std::string>{"", "x"}},
        {WIDE("\"ab\"cd"), std::vector<std::string>{"ab", "cd"}},
        {WIDE("a\"b c\""), std::vector<std::string>{"a\"b", "c\""}},
        {WIDE("\ttab"), std::vector<std::string>{"\ttab"}},
        {WIDE("5 \"open"), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.text));
        const auto read = Corvane::ReadArguments(c.text);
        ASSERT_EQ(read.has_value(), c.arguments.has_value());
        if (read) {
            std::vector<std::string> narrow;
            for (const WideStringView argument : *read) {
                narrow.push_back(Narrow(argument));
            }
            EXPECT_EQ(narrow, *c.arguments);
        }
    }
    EXPECT_EQ(Corvane::TextAfterName(WIDE("  giveItem;5 10")), WIDE(";5 10"));
}

TEST(DecimalNumber, SignAndFractionButNothingElse) {
    const struct {
        const WideChar* text;
        std::optional<double> value;
    } cases[] = {
        {WIDE("10"), 10},
        {WIDE("-2"), -2},
        {WIDE("+3"), 3},
        {WIDE("0.5"), 0.5},
        {WIDE("007"), 7},
        {WIDE("1e9"), std::nullopt},
        {WIDE("0x10"), std::nullopt},
        {WIDE("inf"), std::nullopt},
        {WIDE("nan"), std::nullopt},
        {WIDE(".5"), std::nullopt},
        {WIDE("5."), std::nullopt},
        {WIDE(""), std::nullopt},
        {WIDE("-"), std::nullopt},
        {WIDE("1 "), std::nullopt},
        {WIDE("\uFF11"), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.text));
        EXPECT_EQ(Corvane::DecimalNumber(c.text), c.value);
    }
    EXPECT_EQ(Corvane::DecimalNumber(WideString(400, '9')), HUGE_VAL)
        << "beyond a double is beyond any bound";
    EXPECT_EQ(Corvane::DecimalNumber(WIDE("-") + WideString(400, '9')), -HUGE_VAL);
}

TEST(MatchesPattern, StarsQuestionMarksAndCase) {
    const struct {
        const WideChar* text;
        const WideChar* pattern;
        bool matches;
    } cases[] = {
        {WIDE("123"), WIDE("1*"), true},
        {WIDE("1"), WIDE("1*"), true},
        {WIDE("21"), WIDE("2?"), true},
        {WIDE("2"), WIDE("2?"), false},
        {WIDE("211"), WIDE("2?"), false},
        {WIDE("Wolf"), WIDE("wOLF"), true},
        {WIDE("wolf_pup"), WIDE("*_pup"), true},
        {WIDE("pup_wolf"), WIDE("*_pup"), false},
        {WIDE("\u00C9t\u00E9"), WIDE("\u00E9t\u00E9"), false},
        {WIDE("aaaaaaaaaaaaaaaaaaaaaaaaaaaaab"), WIDE("*a*a*a*a*a*a*a*c"), false},
        // A wildcard stands for ASCII letters, digits, '_', '-' and '.' only:
        // anything else must be spelled out.
        {WIDE("2x"), WIDE("2?"), true},
        {WIDE("2%"), WIDE("2?"), false},
        {WIDE("2\u0301"), WIDE("2?"), false},
        {WIDE("a\U0001F600b"), WIDE("a?b"), false},
        {WIDE("a\U0001F600b"), WIDE("a\U0001F600b"), true},
        {WIDE("Cheat.x*"), WIDE("Cheat*"), false},
        {WIDE("50%"), WIDE("5*"), false},
        {WIDE("50%"), WIDE("5*%"), true},
        {WIDE("x#y"), WIDE("*#*"), true},
        {WIDE("x#y#z"), WIDE("*#*"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.text) + " ~ " + Narrow(c.pattern));
        EXPECT_EQ(Corvane::MatchesPattern(c.text, c.pattern), c.matches);
    }
}

class ArgumentDecision : public ::testing::Test {
protected:
    // The rules as config.json gives them, read by the plugin's own reader.
    void Configure(const std::string& commands) {
        std::istringstream text(R"({"PrintToChat": true, "Wrappers": ["wrap"], "Commands": )" + commands +
                                "}");
        reading_ = Corvane::ReadSettings(Corvane::ReadConfig(text), "plugin");
        ASSERT_EQ(reading_.FirstError(), nullptr) << reading_.FirstError()->description;
    }

    Corvane::Decision Decide(const WideString& command) {
        asked_.clear();
        const Corvane::GateLine line{command, Corvane::FirstWord(command), true, 1, {}};
        const Corvane::AskPermission ask = [this](WideStringView permission) {
            asked_.push_back(Narrow(permission));
            return held_.contains(WideString(permission));
        };
        return Corvane::Decide({line, reading_.settings, history_, ask});
    }

    DevHost::StandInServer server_{DevHost::ServerDirectory::Temporary("corvane-arguments-")};
    Corvane::SettingsReading reading_;
    Corvane::UseHistory history_;
    std::set<WideString> held_ = {WIDE("Cheat.giveitem"), WIDE("Cheat.spawn"), WIDE("Cheat.wrap"),
                                  WIDE("Cheat.god"), WIDE("Cheat.spawn.Wolf")};
    std::vector<std::string> asked_;
};

TEST_F(ArgumentDecision, EachRuleFailsWithItsOwnPointer) {
    Configure(
        R"({"giveitem": {"MaxArguments": 3,
                         "Arguments": [{"Allow": ["1*", "2?"]}, {"Min": 1, "Max": 100, "Whole": true}, null]},
            "spawn": {"Arguments": [{"Allow": ["w*"], "Permission": true}]},
            "god": {"Arguments": [{"Whole": true}]}})");
    const struct {
        const WideChar* command;
        const char* rule;  // empty: granted
    } cases[] = {
        {WIDE("giveitem 12 100"), ""},
        {WIDE("giveitem 12 \"5\""), ""},
        {WIDE("giveitem 21 1 anything"), ""},
        {WIDE("giveitem 12 100.5"), "/Commands/giveitem/Arguments/1/Whole"},
        {WIDE("giveitem 12 1.5"), "/Commands/giveitem/Arguments/1/Whole"},
        {WIDE("giveitem 12 1.0"), "/Commands/giveitem/Arguments/1/Whole"},
        {WIDE("giveitem 12 0"), "/Commands/giveitem/Arguments/1/Min"},
        {WIDE("giveitem 12 -3"), "/Commands/giveitem/Arguments/1/Min"},
        {WIDE("god 7"), ""},
        {WIDE("god 7.5"), "/Commands/god/Arguments/0/Whole"},
        {WIDE("god seven"), "/Commands/god/Arguments/0/Whole"},
        {WIDE("giveitem 12 1e2"), "/Commands/giveitem/Arguments/1/Min"},
        {WIDE("giveitem 3 50"), "/Commands/giveitem/Arguments/0/Allow"},
        {WIDE("giveitem 12"), "/Commands/giveitem/Arguments/1"},
        {WIDE("giveitem 12 5 x y"), "/Commands/giveitem/MaxArguments"},
        {WIDE("giveitem \"12 5"), "/Commands/giveitem"},
        {WIDE("spawn Wolf"), ""},
        {WIDE("spawn wolf"), "/Commands/spawn/Arguments/0/Permission"},
        {WIDE("spawn cat"), "/Commands/spawn/Arguments/0/Allow"},
        // Only letters, digits, '_' and '-' go into a question.
        {WIDE("spawn w.x"), "/Commands/spawn/Arguments/0/Permission"},
        {WIDE("wrap spawn cat"), "/Commands/spawn/Arguments/0/Allow"},
        {WIDE("wrap giveitem 12 5"), ""},
        {WIDE("wrap \"giveitem 12 5\""), ""},
        {WIDE("wrap \"giveitem 12 500\""), "/Commands/giveitem/Arguments/1/Max"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.command));
        const Corvane::Decision decision = Decide(c.command);
        EXPECT_EQ(decision.outcome, *c.rule == 0 ? Outcome::Granted : Outcome::Denied) << decision.reason;
        EXPECT_EQ(decision.rule, c.rule);
    }
}

TEST_F(ArgumentDecision, TheArgumentsPermissionIsAskedOnlyOnceItsOtherRulesPass) {
    Configure(R"({"spawn": {"Arguments": [{"Allow": ["w*"], "Permission": true}]}})");
    Decide(WIDE("spawn cat"));
    EXPECT_THAT(asked_, ElementsAre("Cheat.spawn"));
    Decide(WIDE("spawn wolf"));
    EXPECT_THAT(asked_, ElementsAre("Cheat.spawn", "Cheat.spawn.wolf")) << "the argument's case is kept";
    Decide(WIDE("spawn w*"));
    EXPECT_THAT(asked_, ElementsAre("Cheat.spawn")) << "no wildcard reaches the permissions plugin";
    EXPECT_EQ(Decide(WIDE("spawn")).rule, "/Commands/spawn/Arguments/0")
        << "a missing argument fails its rule";
}

TEST(ArgumentRuleProblems, MinusZeroIsAWholeNumber) {
    DevHost::StandInServer server(DevHost::ServerDirectory::Temporary("corvane-minus-zero-"));
    std::istringstream text(R"({"PrintToChat": true, "Commands": {"x": {"MaxArguments": -0}}})");
    const auto reading = Corvane::ReadSettings(Corvane::ReadConfig(text), "plugin");
    EXPECT_EQ(reading.FirstError(), nullptr);
    EXPECT_EQ(reading.settings.commands.at("x").rules.maxArguments, 0u);
}

TEST(ArgumentRuleProblems, EachIsAnErrorNamingItsMember) {
    DevHost::StandInServer server(DevHost::ServerDirectory::Temporary("corvane-rule-problems-"));
    const struct {
        const char* entry;
        const char* problem;
    } cases[] = {
        {R"({"MaxArguments": -1})",
         "/Commands/x/MaxArguments: is -1, not a whole number of arguments from 0 to 1000"},
        {R"({"Arguments": {}})", "/Commands/x/Arguments: is an object, not a list of argument rules"},
        {R"({"Arguments": [5]})",
         "/Commands/x/Arguments/0: is a number, not an argument rule (an object, or null)"},
        {R"({"Arguments": [{"Min": "1"}]})", "/Commands/x/Arguments/0/Min: is a string, not a number"},
        {R"({"Arguments": [{"Min": 5, "Max": 1}]})",
         "/Commands/x/Arguments/0/Max: is below Min (5): no argument could pass"},
        {R"({"Arguments": [{"Allow": []}]})",
         "/Commands/x/Arguments/0/Allow: is an empty list, not a list of patterns: no argument could pass"},
        {R"({"Arguments": [{"Allow": ["a", ""]}]})",
         "/Commands/x/Arguments/0/Allow/1: is empty: it would match only an empty argument, which no one can "
         "type"},
        {R"({"Arguments": [{"Permission": "yes"}]})",
         "/Commands/x/Arguments/0/Permission: is a string, not true or false"},
        {R"({"Arguments": [{"Whole": 1}]})", "/Commands/x/Arguments/0/Whole: is a number, not true or false"},
        {R"({"Arguments": [{"Min": 1.2, "Max": 1.8, "Whole": true}]})",
         "/Commands/x/Arguments/0/Whole: no whole number lies from Min (1.2) to Max (1.8): no argument could "
         "pass"},
        {R"({"Arguments": [{"max": 5}]})",
         "/Commands/x/Arguments/0/max: is not a setting of an argument rule (Min, Max, Whole, Allow, "
         "Permission) (did you mean /Commands/x/Arguments/0/Max?)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        std::istringstream text(std::string(R"({"PrintToChat": true, "Commands": {"x": )") + c.entry + "}}");
        const auto reading = Corvane::ReadSettings(Corvane::ReadConfig(text), "plugin");
        ASSERT_NE(reading.FirstError(), nullptr);
        EXPECT_EQ(reading.FirstError()->position + ": " + reading.FirstError()->description, c.problem);
    }
}

}  // namespace
