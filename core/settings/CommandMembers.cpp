#include "core/settings/CommandMembers.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>

#include "core/settings/ArgumentRuleMembers.h"
#include "core/settings/HistoryMembers.h"
#include "core/text/CommandText.h"

namespace Corvane {
namespace {

using nlohmann::json;
using Severity = ConfigProblem::Severity;

constexpr std::uint64_t kMostArguments = 1000;

std::optional<Announce> AnnounceFromWord(const std::string& word) {
    if (word == "all") {
        return Announce::All;
    }
    if (word == "none") {
        return Announce::None;
    }
    if (word == "admins") {
        return Announce::Admins;
    }
    return std::nullopt;
}

void ReadCooldown(ConfigReading& reading, const std::string& position, const json& value,
                  CommandSettings& settings) {
    if (const auto seconds = ReadSeconds(reading, position, value, false)) {
        settings.cooldown = *seconds;
    }
}

void ReadAnnounce(ConfigReading& reading, const std::string& position, const json& value,
                  CommandSettings& settings) {
    settings.announce = value.is_string() ? AnnounceFromWord(value.get<std::string>()) : std::nullopt;
    if (!settings.announce) {
        reading.Add(Severity::Error, position,
                    "is " +
                        (value.is_string() ? "\"" + value.get<std::string>() + "\"" : WithArticle(value)) +
                        ", not one of \"all\", \"none\" or \"admins\"");
    }
}

void ReadMaxArguments(ConfigReading& reading, const std::string& position, const json& value,
                      CommandSettings& settings) {
    const auto most = reading.WholeNumber(value, position, 0, kMostArguments, "arguments");
    settings.rules.maxArguments = most ? std::optional<std::size_t>(*most) : std::nullopt;
}

void ReadArguments(ConfigReading& reading, const std::string& position, const json& value,
                   CommandSettings& settings) {
    settings.rules.arguments = ReadArgumentRules(reading, position, value);
}

constexpr std::array kEntryMembers{
    Member<CommandSettings>{"Cooldown", MemberKind::Control, ReadCooldown},
    Member<CommandSettings>{"Announce", MemberKind::Control, ReadAnnounce},
    Member<CommandSettings>{"MaxArguments", MemberKind::Control, ReadMaxArguments},
    Member<CommandSettings>{"Arguments", MemberKind::Control, ReadArguments},
    Member<CommandSettings>{"MaxUses", MemberKind::Control, ReadMaxUses},
    // Last: its check reads the entry's Cooldown and MaxUses.
    Member<CommandSettings>{"Tiers", MemberKind::Control, ReadTiers, nullptr, CheckTiers},
};

constexpr MemberLevel<Member<CommandSettings>> kEntryLevel{ConfigLevel::Command, "/Commands/<name>",
                                                           "of a command", kEntryMembers};

CommandSettings ReadEntry(ConfigReading& reading, const std::string& position, const json& entry) {
    CommandSettings settings;
    if (!entry.is_object()) {
        reading.Add(Severity::Error, position, "is " + WithArticle(entry) + ", not an object");
        return settings;
    }
    ReadInDocumentOrder(reading, kEntryLevel, position, entry, settings);
    settings.rules.pointer = position;
    return settings;
}

}  // namespace

const MemberLevel<Member<CommandSettings>>& CommandLevel() {
    return kEntryLevel;
}

void ReadCommands(ConfigReading& reading, const std::string& position, const json& commands,
                  Settings& settings) {
    if (!commands.is_object()) {
        reading.Add(Severity::Error, position,
                    "is " + WithArticle(commands) + ", not an object of command entries");
        return;
    }
    std::map<std::string, std::string> seen;  // name -> the key that gave it
    for (const auto& [key, entry] : commands.items()) {
        const std::string at = MemberPointer(position, key);
        if (key == "*") {
            settings.others = ReadEntry(reading, at, entry);
            continue;
        }
        const std::string name = ConfiguredName(key);
        if (name.empty()) {
            reading.Add(Severity::Error, at, NotAName(key, "no command would take this entry"));
        } else if (const auto [other, added] = seen.emplace(name, key); !added) {
            reading.Add(
                Severity::Error, at,
                "names the same command as " + MemberPointer(position, other->second) + " (case is ignored)");
        }
        const CommandSettings entrySettings = ReadEntry(reading, at, entry);
        if (!name.empty()) {
            settings.commands.emplace(name, entrySettings);
        }
    }
}

void CheckCooldownsKept(ConfigReading& reading, Settings& settings) {
    const auto cools = [](const CommandSettings& command) {
        return command.cooldown.count() > 0 || command.maxUses || !command.tiers.empty();
    };
    const bool some = std::any_of(settings.commands.begin(), settings.commands.end(),
                                  [&](const auto& entry) { return cools(entry.second); }) ||
                      (settings.others && cools(*settings.others));
    if (some && !reading.document.contains("AuditLog")) {
        reading.Add(Severity::Warning, "/Commands",
                    "has cooldowns or use limits, and there is no AuditLog: the uses they count are "
                    "forgotten when the "
                    "plugin unloads");
    }
}

}  // namespace Corvane
