// One line of the audit file read back: what restoring cooldowns at load and
// replaying the record against another configuration need of it. A line that
// is not valid JSON, or lacks what a decision's record holds, is no entry.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/audit/PermissionAnswer.h"
#include "host/WideChar.h"

namespace Corvane {

struct AuditEntry {
    std::chrono::sys_seconds time;  // to the second, as written
    std::uint64_t steamId = 0;
    // A /cheat line's command (its first 1,000 characters when it did not run);
    // empty for a /corvane line, which has an action instead.
    WideString command;
    // The command was cut: only its start is recorded.
    bool cut = false;
    std::string action;
    std::optional<WideString> permission;
    // The questions asked after the permission, with their answers; an
    // element that is not a permission's text and its answer is passed over.
    std::vector<PermissionAnswer> asked;
    std::string outcome;
    std::string rule;  // the argument rule that denied it, when one did
    // The names the line ran, outermost first, when it holds them (UTF-8).
    std::optional<std::vector<std::string>> names;
    // A carried line's: the hash of the line it stands for.
    std::optional<std::string> carries;
    // The server that wrote the line, when it says.
    std::optional<std::string> server;
    // A reload's: the audit file before it, when there was one.
    std::optional<std::string> previousAuditLog;
    // A forgive line's: whose uses, and of which command (every one when none).
    std::optional<std::uint64_t> forgiven;
    std::optional<std::string> forgivenName;
};

// none when the line is not a record of a decision.
std::optional<AuditEntry> ParseAuditEntry(std::string_view line);

// The innermost name the entry ran, whose cooldown it started: the last of
// its names when it holds them, or else read off its command through wrappers.
std::string InnermostNameOf(const AuditEntry& entry, const std::set<std::string>& wrappers);

// "2026-12-07T21:57:03Z"; none when the text is not such a time.
std::optional<std::chrono::sys_seconds> ParseUtcTime(std::string_view text);
// The time as the audit line writes it, "2026-12-07T21:57:03Z".
std::string UtcText(std::chrono::sys_seconds time);

}  // namespace Corvane
