// One audit record and the JSON line it is written as.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/audit/Outcomes.h"
#include "core/audit/PermissionAnswer.h"

#include "host/WideChar.h"

namespace Corvane {

struct AuditRecord {
    std::uint64_t steamId = 0;
    std::string character;  // UTF-8
    // A /cheat line's command: the text after the prefix.
    WideString command;
    // A /corvane line's action ("reload", "check", "forgive"), written instead of a command.
    std::string action;
    // A forgive line's: whose uses were forgiven, and of which command (of
    // every command when none).
    std::optional<std::uint64_t> forgiven;
    std::optional<std::string> forgivenName;
    // The names the console runs, outermost first (CommandText.h); none when
    // the line was turned away before they were read.
    std::optional<std::vector<std::string>> names;
    // The permission asked of the permissions plugin, when one was: the command's.
    std::optional<WideString> permission;
    // Every question asked after it (Corvane.NoCooldown, an argument's own
    // permission), with its answer.
    std::vector<PermissionAnswer> asked;
    // One of kDecisionOutcomes (Outcomes.h), or a /corvane line's: "reloaded", "forgiven".
    std::string outcome;
    std::string error;  // what failed, when the outcome is "failed"
    // The JSON pointer of the argument rule that denied the line, when one did.
    std::string rule;
    // Why the line's reading was unsure, when that denied it (ReadingCode).
    std::string reading;
    // A reload's audit files, absolute, as UTF-8: the one in force after it
    // and the one before; none for a file that is off.
    std::optional<std::string> auditLog;
    std::optional<std::string> previousAuditLog;
};

// No audit line is longer, its line break included, whatever a player types:
// log shippers stop following a file at a line much longer than this.
constexpr std::size_t kAuditLineLimit = 16384;
// A line that turned the player away ran nothing, and a player who holds
// nothing can send as many as they like: it takes far less.
constexpr std::size_t kTurnAwayLineLimit = 4096;

// The record as one line of JSON, without its line break. Every text member
// is cut so that the line, with its break, stays within kAuditLineLimit
// (kTurnAwayLineLimit for a turn-away); a member that is cut gets a count of
// the characters (UTF-16 code units, as the engine counts them) left out:
// "cut" for the command, "<member>Cut" for any other ("permissionCut",
// "characterCut", "errorCut"; in an element of "asked", written
// {"permission":"...","held":true}, "permissionCut"). A command that did not
// run keeps at most its first 1,000 characters; on a turn-away, the character
// name and every permission at most their first 100. A cut never splits a
// surrogate pair. Of more than 64 asked questions (16 on a turn-away), the
// first and the last are written, and "askedCut" counts the others. "names"
// is written as NamesArray (JsonText.h) does, with "namesCut" when it left
// names out. Characters are escaped as JsonText.h says. server, when not
// empty, is this server's name in a cluster (ClusterNames.h: nothing to
// escape), written right after "time".
std::string AuditLine(const AuditRecord& record, std::string_view server = {});

}  // namespace Corvane
