// Use limits and tiers as the load reads them: each mistake gives exactly its
// problem at its place, and what loads holds the values written.
#include <gmock/gmock.h>

#include <sstream>

#include "core/settings/ConfigFile.h"
#include "core/settings/ConfigReader.h"
#include "devhost/server/StandInServer.h"

namespace {

using Corvane::ConfigProblem;
using Severity = ConfigProblem::Severity;
using std::chrono::seconds;

struct Read {
    Corvane::Settings settings;
    std::vector<std::string> problems;  // "error /x: ...", notes left out
};

Read ReadEntry(const std::string& entry) {
    std::istringstream stream(
        R"({"PrintToChat": true, "AuditLog": "a.jsonl", "Messages": {"LogMsg": "{0} ran {1}", "NoPermissions": "No.",
            "Sender": "S"}, "Commands": {"giveitem": )" +
        entry + "}}");
    Corvane::SettingsReading reading = Corvane::ReadSettings(Corvane::ReadConfig(stream), "plugin");
    Read read{std::move(reading.settings), {}};
    for (const ConfigProblem& problem : reading.problems) {
        if (problem.severity != Severity::Note) {
            read.problems.push_back((problem.severity == Severity::Error ? "error " : "warning ") +
                                    problem.position + ": " + problem.description);
        }
    }
    return read;
}

class HistorySettings : public ::testing::Test {
protected:
    DevHost::StandInServer server_{DevHost::ServerDirectory::Temporary("corvane-history-settings-")};
};

TEST_F(HistorySettings, EachMistakeOfALimitOrATierIsToldAtItsPlace) {
    const std::string at = "/Commands/giveitem";
    const struct {
        const char* entry;
        std::vector<std::string> problems;
    } cases[] = {
        {R"({"MaxUses": {"Count": 5, "Per": 3600}})", {}},
        {R"({"MaxUses": {"Count": 0, "Per": 60}})",
         {"error " + at + "/MaxUses/Count: is 0, not a whole number of uses from 1 to 1000000"}},
        {R"({"MaxUses": {"Count": 1000001, "Per": 60}})",
         {"error " + at + "/MaxUses/Count: is 1000001, not a whole number of uses from 1 to 1000000"}},
        {R"({"MaxUses": {"Count": 2, "Per": 0}})",
         {"error " + at + "/MaxUses/Per: is 0, not a number of seconds above 0"}},
        {R"({"MaxUses": {"Count": 2, "Per": "1h"}})",
         {"error " + at + "/MaxUses/Per: is a string, not a number of seconds above 0"}},
        {R"({"MaxUses": {"Count": 2}})",
         {"error " + at + "/MaxUses/Per: missing: a use limit needs the seconds it counts uses in"}},
        {R"({"MaxUses": {"Per": 60}})",
         {"error " + at + "/MaxUses/Count: missing: a use limit needs a number of uses"}},
        {R"({"MaxUses": 5})", {"error " + at + "/MaxUses: is a number, not an object with Count and Per"}},
        {R"({"MaxUses": {"Count": 2, "Per": 60, "Pre": 1}})",
         {"error " + at +
          "/MaxUses/Pre: is not a setting of a use limit (Count, Per) (did you mean "
          "/Commands/giveitem/MaxUses/Per?)"}},
        {R"({"Cooldown": 600, "Tiers": [{"Permission": "Group.Donor-1_x", "Cooldown": 60}]})", {}},
        {R"({"Cooldown": 600, "Tiers": [{"Permission": "Group Donor", "Cooldown": 60}]})",
         {"error " + at +
          "/Tiers/0/Permission: is \"Group Donor\", not a permission: 1 to 100 ASCII letters, "
          "digits, _, . and -"}},
        {R"({"Cooldown": 600, "Tiers": [{"Cooldown": 60}]})",
         {"error " + at + "/Tiers/0/Permission: missing: a tier is the players holding a permission"}},
        {R"({"Cooldown": 600, "Tiers": [{"Permission": "Donor"}]})",
         {"error " + at + "/Tiers/0: sets neither Cooldown nor MaxUses: it would change nothing"}},
        {R"({"Cooldown": 600, "Tiers": {"Permission": "Donor", "Cooldown": 1}})",
         {"error " + at + "/Tiers: is an object, not a list of tiers"}},
        {R"({"Tiers": [{"Permission": "Donor", "MaxUses": {"Count": 10}}]})",
         {"error " + at +
          "/Tiers/0/MaxUses: is set, and the entry has no MaxUses: a tier's count is of the "
          "entry's Per"}},
        // The entry's MaxUses may come after its Tiers.
        {R"({"Tiers": [{"Permission": "Donor", "MaxUses": {"Count": 10, "Per": 60}}], "MaxUses": {"Count": 5, "Per": 3600}})",
         {"error " + at +
          "/Tiers/0/MaxUses/Per: is 60 s, not the entry's Per of 3600 s: a tier's count is of "
          "the entry's window"}},
        {R"({"Tiers": [{"Permission": "Donor", "MaxUses": {"Count": 10, "Per": 3600}}], "MaxUses": {"Count": 5, "Per": 3600}})",
         {}},
        {R"({"Cooldown": 60, "MaxUses": {"Count": 5, "Per": 3600}, "Tiers": [{"Permission": "Donor", "Cooldown": 60, "MaxUses": {"Count": 5}}]})",
         {"warning " + at +
          "/Tiers/0: is never more generous than the entry: its players are held back as "
          "everyone is"}},
        {R"({"Tiers": [{"Permission": "Donor", "Cooldown": 30}]})",
         {"warning " + at +
          "/Tiers/0: is never more generous than the entry: its players are held back as "
          "everyone is"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        EXPECT_EQ(ReadEntry(c.entry).problems, c.problems);
    }
}

TEST_F(HistorySettings, ALimitAndItsTiersHoldWhatIsWrittenWithTheEntrysPer) {
    const Read read = ReadEntry(R"({"Cooldown": 600, "MaxUses": {"Count": 5, "Per": 1e12},
        "Tiers": [{"Permission": "Group.Donor", "Cooldown": 60, "MaxUses": {"Count": 10}},
                  {"Permission": "Group.Vip", "MaxUses": {"Count": 20}}]})");
    ASSERT_THAT(read.problems, ::testing::IsEmpty());
    const Corvane::CommandSettings& entry = read.settings.commands.at("giveitem");
    ASSERT_TRUE(entry.maxUses);
    EXPECT_EQ(entry.maxUses->count, 5u);
    EXPECT_EQ(entry.maxUses->per, Corvane::kLongestCooldown) << "held as Cooldown is";
    EXPECT_EQ(entry.maxUses->pointer, "/Commands/giveitem/MaxUses");
    ASSERT_EQ(entry.tiers.size(), 2u);
    EXPECT_EQ(entry.tiers[0].permission, "Group.Donor");
    EXPECT_EQ(entry.tiers[0].cooldown, seconds(60));
    EXPECT_EQ(entry.tiers[0].maxUses->per, Corvane::kLongestCooldown) << "the entry's Per";
    EXPECT_EQ(entry.tiers[1].cooldown, std::nullopt);
    EXPECT_EQ(entry.tiers[1].maxUses->count, 20u);
    EXPECT_EQ(entry.tiers[1].pointer, "/Commands/giveitem/Tiers/1");
}

}  // namespace
