// An audit line as the report reads it: every kind of line the plugin writes,
// members written twice or of another type read as the JSON library's own
// documents hold them, and what makes a line no line of the record.
#include <gtest/gtest.h>

#include <string>

#include "devhost/report/KeptLines.h"
#include "devhost/report/ReportLine.h"

namespace {

using DevHost::Report::ParseReportLine;

constexpr const char* kHead = R"({"time":"2026-12-07T21:57:03Z","steamId":"76561198000000001",)";

// "none" for no line; else action or "/cheat", the outcome, the innermost name
// and the members that tell the kind of line apart.
std::string Read(const std::string& members) {
    const auto line = ParseReportLine(kHead + members + "}");
    if (!line) {
        return "none";
    }
    std::string read =
        (line->action.empty() ? "/cheat" : line->action) + " " + line->outcome + " name=" + line->name;
    for (const auto& [outcome, count] : line->omitted) {
        read += " " + outcome + "=" + std::to_string(count);
    }
    for (const auto& [name, text] : {std::pair{"server", &line->server},
                                     {"carries", &line->carries},
                                     {"rule", &line->rule},
                                     {"auditLog", &line->auditLog}}) {
        if (!text->empty()) {
            read += std::string(" ") + name + "=" + *text;
        }
    }
    if (line->cut != 0) {
        read += " cut=" + std::to_string(line->cut);
    }
    if (line->to) {
        read += " to";
    }
    return read;
}

TEST(ReportLine, EveryKindOfLineAndWhatMakesOneNone) {
    const struct {
        const char* members;
        const char* read;
    } cases[] = {
        {R"("command":"  GiveItem 1 2","outcome":"granted")", "/cheat granted name=giveitem"},
        {R"("command":"wrap giveitem 1","names":["wrap","giveitem"],"outcome":"granted")",
         "/cheat granted name=giveitem"},
        {R"("command":"wrap x","names":[],"outcome":"granted")", "/cheat granted name=wrap"},
        {R"("command":";quit","outcome":"rejected")", "/cheat rejected name="},
        {R"("command":"fly","outcome":"exploded","server":"island")",
         "/cheat exploded name=fly server=island"},
        {R"("command":"giveitem 1","cut":4000,"outcome":"denied","rule":"/Commands/giveitem/Arguments/0/Allow")",
         "/cheat denied name=giveitem rule=/Commands/giveitem/Arguments/0/Allow cut=4000"},
        {R"("action":"summary","outcome":"omitted","from":"2026-12-07T21:56:00Z","to":"2026-12-07T21:56:59Z","omitted":{"refused":3890,"denied":2})",
         "summary omitted name= refused=3890 denied=2 to"},
        {R"("action":"carried","outcome":"granted","names":["fly"],"carries":"00ff00ff00ff00ff")",
         "carried granted name=fly carries=00ff00ff00ff00ff"},
        {R"("action":"reload","outcome":"reloaded","auditLog":"/srv/a.jsonl")",
         "reload reloaded name= auditLog=/srv/a.jsonl"},
        {R"("action":"forgive","outcome":"forgiven","forgiven":"76561198000000002")",
         "forgive forgiven name="},
        // Written twice, the last counts; of another type, absent; nested, not the line's.
        {R"("command":"fly","names":["god"],"names":["slomo"],"outcome":"granted")",
         "/cheat granted name=slomo"},
        {R"("command":"fly","names":"god","outcome":"granted")", "/cheat granted name=fly"},
        {R"("command":"fly","server":"a","server":1,"outcome":"granted")", "/cheat granted name=fly"},
        {R"("command":"fly","x":{"server":"a","names":["god"]},"outcome":"granted")",
         "/cheat granted name=fly"},
        {R"("action":"summary","outcome":"omitted","omitted":{"refused":2,"x":{"denied":5}})",
         "summary omitted name= refused=2"},
        // No line of the record.
        {R"("command":"fly","action":"reload","outcome":"granted")", "none"},
        {R"("outcome":"granted")", "none"},
        {R"("command":"fly")", "none"},
        {R"("command":"fly","outcome":7)", "none"},
        {R"("command":"fly","outcome":"granted"} {)", "none"},
        {"\"command\":\"fl\xff\",\"outcome\":\"granted\"", "none"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.members);
        EXPECT_EQ(Read(c.members), c.read);
    }
}

TEST(ReportLine, TimeAndSteamIdMustBeWhatThePluginWrites) {
    const char* const lines[] = {
        R"({"time":"2026-12-07 21:57:03","steamId":"1","command":"fly","outcome":"granted"})",
        R"({"time":"2026-02-30T21:57:03Z","steamId":"1","command":"fly","outcome":"granted"})",
        R"({"time":"2026-12-07T21:57:03Z","steamId":"","command":"fly","outcome":"granted"})",
        R"({"time":"2026-12-07T21:57:03Z","steamId":"-1","command":"fly","outcome":"granted"})",
        R"({"time":"2026-12-07T21:57:03Z","steamId":"18446744073709551616","command":"fly","outcome":"granted"})",
        R"({"time":"2026-12-07T21:57:03Z","steamId":76561198000000001,"command":"fly","outcome":"granted"})",
    };
    for (const char* line : lines) {
        SCOPED_TRACE(line);
        EXPECT_FALSE(ParseReportLine(line));
    }
    EXPECT_TRUE(ParseReportLine(
        R"({"time":"2026-12-07T21:57:03Z","steamId":"18446744073709551615","command":"","outcome":"x"})"));
}

TEST(ReportLine, ShownTextIsCutAfterItsCharactersNotItsBytes) {
    using DevHost::Report::CutForShowing;
    using DevHost::Report::kShownCharacters;
    const std::string twoByte = "\xC3\xA9";  // é
    const struct {
        std::string text;
        std::size_t keptBytes;
        std::uint64_t left;
    } cases[] = {
        {std::string(kShownCharacters, 'a'), kShownCharacters, 0},
        {std::string(kShownCharacters + 1, 'a'), kShownCharacters, 1},
        {std::string(16000, 'a'), kShownCharacters, 16000 - kShownCharacters},
        {[&] {
             std::string text;
             for (std::size_t i = 0; i < kShownCharacters + 3; ++i) {
                 text += twoByte;
             }
             return text;
         }(),
         2 * kShownCharacters, 3},
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.text.size());
        EXPECT_EQ(CutForShowing(c.text), c.left);
        EXPECT_EQ(c.text.size(), c.keptBytes);
    }
}

}  // namespace
