// The members config.json may hold: a table for each level, a row for each
// member with the function that reads it. The reader reaches a member only
// through its row, and the schema (ConfigSchema.h) knows a level's members,
// for its "did you mean" hints, from the same rows: no member can be read
// that the hints don't know, nor known and left unread.
//
// Adding a member is one row in its level's table and its read function;
// adding a level (an object of settings inside a member) is its table, its
// ConfigLevel and its line in ConfigSchema.cpp.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "core/settings/ConfigFile.h"
#include "core/settings/ConfigReading.h"
#include "core/settings/ConfigSchema.h"

namespace Corvane {

enum class MemberKind {
    // An operator control: a near miss of it stops the load (ConfigSchema.h).
    Control,
    // One of the messages or the switch: a near miss only warns.
    MessageOrSwitch,
};

template <class Target>
struct Member {
    std::string_view name;
    MemberKind kind;
    // Reads the member, written at position, into target, adding its problems.
    void (*read)(ConfigReading& reading, const std::string& position, const nlohmann::json& value,
                 Target& target);
    // What its absence means; null: nothing.
    void (*missing)(ConfigReading& reading, const std::string& position, Target& target) = nullptr;
    // A check across members, once this one and those above it are read; null: none.
    void (*then)(ConfigReading& reading, Target& target) = nullptr;
};

template <class Row>
struct MemberLevel {
    ConfigLevel level;
    // Where its members lie, for the hint of a member written at another level.
    const char* where;
    // What its members are settings of, for the error of a key it does not
    // take ("of a command"); null for a level whose unknown members are
    // told apart by their hints (ReadInTableOrder).
    const char* whose;
    std::span<const Row> members;
};

// A level whose members are read whether or not they are written (the
// document itself): each row in the table's order, then every member the
// level does not know, as ConfigReading::CheckUnknown says.
template <class Target>
void ReadInTableOrder(ConfigReading& reading, const MemberLevel<Member<Target>>& level,
                      const std::string& position, const nlohmann::json& object, Target& target) {
    for (const Member<Target>& member : level.members) {
        const std::string name(member.name);
        const std::string at = MemberPointer(position, name);
        if (const auto found = object.find(name); found != object.end()) {
            member.read(reading, at, *found, target);
        } else if (member.missing != nullptr) {
            member.missing(reading, at, target);
        }
        if (member.then != nullptr) {
            member.then(reading, target);
        }
    }
    reading.CheckUnknown(object, level.level, position);
}

// An object of settings (a command's entry, an argument rule, the rotation):
// its members in the document's order, a key the level does not take an
// error where it stands; then the absence of each member the object lacks,
// in the table's order. True when the object gave no problem.
template <class Target>
bool ReadInDocumentOrder(ConfigReading& reading, const MemberLevel<Member<Target>>& level,
                         const std::string& position, const nlohmann::json& object, Target& target) {
    const std::size_t before = reading.ProblemCount();
    for (const auto& [key, value] : object.items()) {
        const Member<Target>* row = nullptr;
        for (const Member<Target>& member : level.members) {
            row = member.name == key ? &member : row;
        }
        if (row != nullptr) {
            row->read(reading, MemberPointer(position, key), value, target);
        } else {
            reading.NotASetting(level.level, position, key, level.whose);
        }
    }
    for (const Member<Target>& member : level.members) {
        const std::string name(member.name);
        if (member.missing != nullptr && !object.contains(name)) {
            member.missing(reading, MemberPointer(position, name), target);
        }
        if (member.then != nullptr) {
            member.then(reading, target);
        }
    }
    return reading.ProblemCount() == before;
}

}  // namespace Corvane
