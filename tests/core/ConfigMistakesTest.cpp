// Mistakes in config.json that must not pass in silence: each is read as the
// load reads it, and must give exactly its problem, at its place.
#include <fmt/format.h>
#include <gmock/gmock.h>

#include <set>
#include <sstream>

#include "core/settings/ConfigFile.h"
#include "core/settings/ConfigReader.h"
#include "devhost/server/StandInServer.h"

namespace {

using Corvane::ConfigProblem;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Severity = ConfigProblem::Severity;

// The plugin's base members, well formed, before what a case adds.
constexpr const char* kGood =
    R"("PrintToChat": true, "Messages": {"LogMsg": "{0} ran {1}", "NoPermissions": "No.", "Sender": "S"})";

class ConfigMistakes : public ::testing::Test {
protected:
    // "error /Deny: ..." or "warning /Deny: ...", notes left out.
    static std::vector<std::string> Problems(const std::string& text) {
        std::istringstream stream(text);
        std::vector<std::string> problems;
        for (const ConfigProblem& problem :
             Corvane::ReadSettings(Corvane::ReadConfig(stream), "plugin").problems) {
            if (problem.severity != Severity::Note) {
                problems.push_back((problem.severity == Severity::Error ? "error " : "warning ") +
                                   problem.position + ": " + problem.description);
            }
        }
        return problems;
    }

    static Corvane::Settings Read(const std::string& text) {
        std::istringstream stream(text);
        return Corvane::ReadSettings(Corvane::ReadConfig(stream), "plugin").settings;
    }

    // The framework decodes the messages.
    DevHost::StandInServer server_{DevHost::ServerDirectory::Temporary("corvane-mistakes-")};
};

TEST_F(ConfigMistakes, AMemberWrittenTwiceStopsTheLoadWhenItIsAControl) {
    const struct {
        std::string members;
        std::vector<std::string> problems;
    } cases[] = {
        {R"("Deny": ["quit"], "Deny": [])",
         {"error /Deny: is written more than once, so which one applies can't be told"}},
        {R"("AuditLog": "a", "Commands": {"fly": {"Cooldown": 9}, "fly": {}})",
         {"error /Commands/fly: is written more than once, so which one applies can't be told"}},
        {R"("Commands": {"fly": {"Announce": "all", "Announce": "none"}})",
         {"error /Commands/fly/Announce: is written more than once, so which one applies can't be told"}},
        {R"("AuditLog": "a", "AuditLog": "b")",
         {"error /AuditLog: is written more than once, so which one applies can't be told"}},
        {R"("PrintToChat": false)",
         {"warning /PrintToChat: is written more than once: the last one is used"}},
        {R"("Messages": {"Sender": "T", "Sender": "U"})",
         {"warning /Messages: is written more than once: the last one is used",
          "warning /Messages/Sender: is written more than once: the last one is used"}},
        {R"("Note": 1, "Note": 2)", {"warning /Note: is not read by the plugin"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.members);
        EXPECT_EQ(Problems(std::string("{") + kGood + ", " + c.members + "}"), c.problems);
    }
    EXPECT_FALSE(Read(std::string("{") + kGood + R"(, "PrintToChat": false})").printToChat.Get())
        << "the last wins";
}

// A near miss of a control stops the load, wherever it is written; one of a
// message or the switch only warns.
TEST_F(ConfigMistakes, AnUnknownMemberIsNamedWithTheOneItIsCloseTo) {
    const struct {
        const char* members;
        const char* problem;
    } cases[] = {
        {R"("Denny": ["quit"])", "error /Denny: is not read by the plugin (did you mean /Deny?)"},
        {R"("deny": ["quit"])", "error /deny: is not read by the plugin (did you mean /Deny?)"},
        {R"("commands": {})", "error /commands: is not read by the plugin (did you mean /Commands?)"},
        {R"("wrapers": ["wrap"])", "error /wrapers: is not read by the plugin (did you mean /Wrappers?)"},
        {R"("AudtiLog": "a")", "error /AudtiLog: is not read by the plugin (did you mean /AuditLog?)"},
        {R"("auditrotate": {})",
         "error /auditrotate: is not read by the plugin (did you mean /AuditRotate?)"},
        {R"("MaxBytes": 65536)",
         "error /MaxBytes: is not read by the plugin (it belongs at /AuditRotate/MaxBytes)"},
        {R"("Cooldown": 30)",
         "error /Cooldown: is not read by the plugin (it belongs at /Messages/Cooldown or "
         "/Commands/<name>/Cooldown or /Commands/<name>/Tiers/<n>/Cooldown)"},
        {R"("Messages": {"AuditLog": "a"})",
         "error /Messages/AuditLog: is not read by the plugin (it belongs at /AuditLog)"},
        // Where a control belongs counts before a message it is close to (Denied).
        {R"("Messages": {"Deny": ["quit"]})",
         "error /Messages/Deny: is not read by the plugin (it belongs at /Deny)"},
        {R"("Commands": {"fly": {"announce": "all"}})",
         "error /Commands/fly/announce: is not a setting of a command (Cooldown, Announce, MaxArguments, "
         "Arguments, MaxUses, Tiers) (did you mean /Commands/fly/Announce?)"},
        {R"("printToChat": true)",
         "warning /printToChat: is not read by the plugin (did you mean /PrintToChat?)"},
        {R"("Message": {})", "warning /Message: is not read by the plugin (did you mean /Messages?)"},
        {R"("LogMsg": "{0}")", "warning /LogMsg: is not read by the plugin (it belongs at /Messages/LogMsg)"},
        {R"("Messages": {"CoolDown": "wait"})",
         "warning /Messages/CoolDown: is not read by the plugin (did you mean /Messages/Cooldown?)"},
        {R"("Messages": {"Deneid": "no"})",
         "warning /Messages/Deneid: is not read by the plugin (did you mean /Messages/Denied?)"},
        {R"("Banner": "hi")", "warning /Banner: is not read by the plugin"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.members);
        // Messages in place of the base members' own.
        const bool messages = std::string_view(c.members).starts_with(R"("Messages")");
        const std::string text =
            fmt::format("{{{}, {}}}", messages ? R"("PrintToChat": true)" : kGood, c.members);
        EXPECT_THAT(Problems(text), Contains(c.problem));
    }
}

TEST_F(ConfigMistakes, ANameThatIsNotPlainStopsTheLoad) {
    for (const char* name : {" exit ", "quit;", "destroy all", "\xC3\xA9t\xC3\xA9", ""}) {
        SCOPED_TRACE(name);
        const std::string quoted = nlohmann::json(name).dump();
        EXPECT_THAT(
            Problems(std::string("{") + kGood + R"(, "Deny": [)" + quoted + "]}"),
            ElementsAre("error /Deny/0: " + quoted +
                        " is not a command name (ASCII letters, digits and _ only, nothing else): the deny "
                        "list can't hold it"));
        EXPECT_THAT(Problems(std::string("{") + kGood + R"(, "Commands": {)" + quoted + ": {}}}"),
                    ElementsAre("error " + Corvane::MemberPointer("/Commands", name) + ": " + quoted +
                                " is not a command name (ASCII letters, digits and _ only, nothing else): no "
                                "command would take this entry"));
    }
}

TEST_F(ConfigMistakes, WrappersAreAListOfPlainNames) {
    EXPECT_EQ(Read(std::string("{") + kGood + R"(, "Wrappers": ["Wrap", "as"]})").wrappers,
              (std::set<std::string>{"wrap", "as"}));
    EXPECT_THAT(Problems(std::string("{") + kGood + R"(, "Wrappers": "wrap"})"),
                ElementsAre("error /Wrappers: is a string, not a list of command names"));
    EXPECT_THAT(
        Problems(std::string("{") + kGood + R"(, "Wrappers": ["wrap it"]})"),
        ElementsAre("error /Wrappers/0: \"wrap it\" is not a command name (ASCII letters, digits and _ "
                    "only, nothing else): no command would be read through it"));
}

TEST_F(ConfigMistakes, TextAfterTheFirstValueIsNamedByItsByte) {
    const std::string good = std::string("{") + kGood + "}";
    EXPECT_THAT(Problems(good + " \n\t\r"), IsEmpty());
    EXPECT_THAT(Problems("\xEF\xBB\xBF" + good + "\n, {\"Deny\": [\"quit\"]}"),
                ElementsAre("warning : text after the first JSON value, from byte " +
                            std::to_string(3 + good.size() + 1) + " on, is ignored"));
    EXPECT_THAT(Problems("5x"),
                Contains("warning : text after the first JSON value, from byte 1 on, is ignored"));
}

TEST_F(ConfigMistakes, AHugeFieldWidthIsWarnedOfAndDoesNotFoolTheCheck) {
    const struct {
        const char* logMsg;
        std::vector<std::string> problems;
    } cases[] = {
        {"{0:>100000000} ran {1}",
         {"warning /Messages/LogMsg: asks for a field width or precision above 1000: each use formats it at "
          "1000"}},
        {"{0:.5000} ran {1:x^1001}",
         {"warning /Messages/LogMsg: asks for a field width or precision above 1000: each use formats it at "
          "1000"}},
        {"{0:>1000} ran {1}", {}},
        {"{0:>99999999999} ran {1}",
         {"warning /Messages/LogMsg: the formatting library rejects it (number is too big): no granted "
          "command "
          "would run; it takes at most three fields, {0} the character name, {1} the command and {2} the "
          "Steam "
          "id, and a literal brace is written {{ or }}"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.logMsg);
        const nlohmann::json config = {
            {"PrintToChat", true},
            {"Messages", {{"LogMsg", c.logMsg}, {"NoPermissions", "No."}, {"Sender", "S"}}}};
        EXPECT_EQ(Problems(config.dump()), c.problems);
    }
}

}  // namespace
