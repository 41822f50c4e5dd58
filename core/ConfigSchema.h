// The members config.json may hold, at each level, and what to say of one
// that is not among them: the member it is close to (the case differs, or one
// or two letters do), or the level where a member of that name belongs.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Corvane {

// Where a member lies: its level decides which names are known there.
enum class ConfigLevel {
    Top,           // the document itself
    Messages,      // "Messages"
    AuditRotate,   // "AuditRotate"
    Command,       // an entry of "Commands"
    ArgumentRule,  // an element of an entry's "Arguments"
};

bool IsKnownMember(ConfigLevel level, std::string_view key);
// The members known at level, "MaxBytes, Keep", for errors to list.
std::string KnownMembers(ConfigLevel level);

// "(did you mean /Deny?)" for a key close to a known one at its level, or
// "(it belongs at /Messages/LogMsg)" for one known at another level; none
// when neither. parent is the JSON pointer of the object holding key.
std::optional<std::string> Suggestion(ConfigLevel level, const std::string& parent, std::string_view key);

}  // namespace Corvane
