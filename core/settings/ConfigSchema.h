// The members config.json may hold, at each level, and what to say of one
// that is not among them: the member it is close to (the case differs, or one
// or two letters do), or the level where a member of that name belongs. The
// members known are the rows of the tables the reader reads by
// (MemberTable.h).
//
// Each known member is an operator control (the deny list, the wrappers, the
// command entries and their rules, the audit file and its rotation) or one of
// the messages and the switch. A control the operator asked for must never
// silently fail to apply, so an unknown member whose hint names a control
// stops the load; a near miss of a message or the switch only warns, and a
// file holding nothing but those keeps loading.
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
    UseLimit,      // an entry's or a tier's "MaxUses"
    Tier,          // an element of an entry's "Tiers"
    Cluster,       // "Cluster"
    Database,      // "Cluster"'s "Database"
    Tls,           // the database's "Tls"
};

bool IsKnownMember(ConfigLevel level, std::string_view key);
// True for a known member that is an operator control; false for the
// messages, the switch and unknown members.
bool IsControl(ConfigLevel level, std::string_view key);
// The members known at level, "MaxBytes, Keep", for errors to list.
std::string KnownMembers(ConfigLevel level);

struct Hint {
    // "(did you mean /Deny?)" or "(it belongs at /Messages/LogMsg)".
    std::string text;
    // It names a control.
    bool control = false;
};

// What an unknown key is taken for, in this order: a member of its level
// whose case differs ("(did you mean /Messages/Cooldown?)"); members of other
// levels whose case at most differs ("(it belongs at /AuditLog)", every such
// place named); a member of its level one or two letters away. None when
// nothing is close. parent is the JSON pointer of the object holding key.
std::optional<Hint> Suggestion(ConfigLevel level, const std::string& parent, std::string_view key);

}  // namespace Corvane
