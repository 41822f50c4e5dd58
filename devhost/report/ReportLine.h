// One audit line as the report reads it: every member it counts or shows, of
// every kind of line the plugin writes (a /cheat decision, a /corvane action,
// the flood control's summary, a use carried forward at a rotation). A line
// that is not valid JSON, or lacks a time, a Steam id, an outcome and either a
// command or an action, is no line of the record.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace DevHost::Report {

struct ReportLine {
    std::chrono::sys_seconds time;
    std::string steamId;  // decimal digits
    std::string character;
    std::string command;  // a /cheat line's; empty for a line with an action
    std::string action;   // empty for a /cheat line
    std::string outcome;
    // The innermost console name: the last of "names", else read off the
    // command as the console reads it; empty for a line that names none.
    std::string name;
    std::string permission, rule, error, reading, server, carries;
    std::string forgiven, forgivenName, auditLog, previousAuditLog;
    // A summary's first and last line left out, and its counts by outcome.
    std::optional<std::chrono::sys_seconds> from, to;
    std::vector<std::pair<std::string, std::uint64_t>> omitted;
    std::uint64_t cut = 0;  // characters the record left out of the command
};

// Of a member written twice the last counts; a member of another type than
// its own counts as absent, as in the JSON library's documents.
std::optional<ReportLine> ParseReportLine(std::string_view line);

}  // namespace DevHost::Report
