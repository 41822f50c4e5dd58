// Every member config.json may hold, taken from the reader's own tables, level
// by level: a member gets these checks as soon as it has its row. A level
// added to the reader gets its place in kPlaces.
#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "core/settings/ArgumentRuleMembers.h"
#include "core/settings/AuditMembers.h"
#include "core/settings/ClusterMembers.h"
#include "core/settings/CommandMembers.h"
#include "core/settings/ConfigReader.h"
#include "core/settings/HistoryMembers.h"
#include "core/settings/MessageMembers.h"
#include "core/settings/TopMembers.h"

namespace {

using Corvane::ConfigProblem;
using Corvane::MemberKind;
using nlohmann::json;
using Severity = ConfigProblem::Severity;

struct Row {
    std::string name;
    bool control;
};

// Where a level's members are written in a document that is good without them.
struct Place {
    std::string parent;  // the JSON pointer of the object that holds them
    const char* where;   // how hints name the level
    std::vector<Row> rows;
};

template <class Table>
Place PlaceOf(const std::string& parent, const Table& table) {
    Place place{parent, table.where, {}};
    for (const auto& member : table.members) {
        place.rows.push_back({std::string(member.name), member.kind == MemberKind::Control});
    }
    return place;
}

const std::vector<Place>& Places() {
    static const std::vector<Place> places{
        PlaceOf("", Corvane::TopLevel()),
        PlaceOf("/Messages", Corvane::MessagesLevel()),
        PlaceOf("/AuditRotate", Corvane::AuditRotateLevel()),
        PlaceOf("/Commands/fly", Corvane::CommandLevel()),
        PlaceOf("/Commands/fly/Arguments/0", Corvane::ArgumentRuleLevel()),
        PlaceOf("/Commands/fly/MaxUses", Corvane::UseLimitLevel()),
        PlaceOf("/Commands/fly/Tiers/0", Corvane::TierLevel()),
        PlaceOf("/Cluster", Corvane::ClusterLevel()),
        PlaceOf("/Cluster/Database", Corvane::DatabaseLevel()),
        PlaceOf("/Cluster/Database/Tls", Corvane::TlsLevel()),
    };
    return places;
}

json GoodDocument() {
    return json::parse(R"({"PrintToChat": true, "Messages": {"LogMsg": "{0} ran {1}", "NoPermissions": "No.",
        "Sender": "S"}, "AuditLog": "a.jsonl", "AuditRotate": {"MaxBytes": 65536, "Keep": 1},
        "Commands": {"fly": {"Arguments": [{"Min": 1}], "MaxUses": {"Count": 5, "Per": 60},
            "Tiers": [{"Permission": "Group.Donor", "Cooldown": 0, "MaxUses": {"Count": 10}}]}},
        "Cluster": {"Server": "a", "Database": {"User": "u", "Name": "n", "Tls": {"CA": "ca.pem"}}}})");
}

// The good document with key at parent set to value, or removed when value is unset.
json With(const std::string& parent, const std::string& key, const std::optional<json>& value) {
    json document = GoodDocument();
    json& object = document[json::json_pointer(parent)];
    object.erase(key);
    if (value) {
        object[key] = *value;
    }
    return document;
}

std::vector<ConfigProblem> Problems(const json& document) {
    std::istringstream stream(document.dump());
    return Corvane::ReadSettings(Corvane::ReadConfig(stream), "plugin").problems;
}

// The problems at position or inside it.
std::vector<ConfigProblem> ProblemsAt(const std::vector<ConfigProblem>& problems,
                                      const std::string& position) {
    std::vector<ConfigProblem> at;
    for (const ConfigProblem& problem : problems) {
        if (problem.position == position || problem.position.starts_with(position + "/")) {
            at.push_back(problem);
        }
    }
    return at;
}

std::string Lowered(std::string name) {
    for (char& c : name) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return name;
}

TEST(MemberTable, TheGoodDocumentHasNoProblem) {
    EXPECT_THAT(Problems(GoodDocument()), ::testing::IsEmpty());
}

// A value no member takes is a problem where it is written: an error for a
// control, which must never silently not apply, a warning otherwise.
TEST(MemberTable, EveryMemberReadsWhatIsWrittenThere) {
    for (const Place& place : Places()) {
        for (const Row& row : place.rows) {
            const std::string position = place.parent + "/" + row.name;
            SCOPED_TRACE(position);
            const auto problems =
                ProblemsAt(Problems(With(place.parent, row.name, json::parse("[[]]"))), position);
            ASSERT_THAT(problems, ::testing::Not(::testing::IsEmpty()));
            EXPECT_EQ(problems.front().severity, row.control ? Severity::Error : Severity::Warning);
        }
    }
}

TEST(MemberTable, EveryMemberWrittenInAnotherCaseIsNamed) {
    for (const Place& place : Places()) {
        for (const Row& row : place.rows) {
            SCOPED_TRACE(place.parent + "/" + row.name);
            json document = With(place.parent, row.name, std::nullopt);
            document[json::json_pointer(place.parent)][Lowered(row.name)] = json::parse("[[]]");
            const auto problems = ProblemsAt(Problems(document), place.parent + "/" + Lowered(row.name));
            ASSERT_EQ(problems.size(), 1u);
            EXPECT_THAT(problems.front().description,
                        ::testing::EndsWith("(did you mean " + place.parent + "/" + row.name + "?)"));
            EXPECT_EQ(problems.front().severity, row.control ? Severity::Error : Severity::Warning);
        }
    }
}

TEST(MemberTable, EveryMemberOfAnInnerLevelWrittenAtTheTopIsToldWhereItBelongs) {
    for (const Place& place : Places()) {
        for (const Row& row : place.rows) {
            if (place.parent.empty()) {
                continue;
            }
            SCOPED_TRACE(place.parent + "/" + row.name);
            const auto problems = ProblemsAt(Problems(With("", row.name, json(1))), "/" + row.name);
            ASSERT_EQ(problems.size(), 1u);
            EXPECT_THAT(problems.front().description,
                        ::testing::HasSubstr(std::string(place.where) + "/" + row.name));
            if (row.control) {
                EXPECT_EQ(problems.front().severity, Severity::Error);
            }
        }
    }
}

}  // namespace
