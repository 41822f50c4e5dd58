#include "core/settings/HistoryMembers.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <chrono>

namespace Corvane {
namespace {

using nlohmann::json;
using Severity = ConfigProblem::Severity;
using Duration = std::chrono::steady_clock::duration;

// A tier's permission is asked of the permissions plugin as written: the
// characters every permissions plugin takes, and a length a turn-away's
// audit line keeps whole.
constexpr std::size_t kLongestPermission = 100;

bool IsPermissionCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c == '-';
}

std::string SecondsText(Duration length) {
    return fmt::format("{:g}", std::chrono::duration<double>(length).count());
}

void ReadCount(ConfigReading& reading, const std::string& position, const json& value, UseLimit& limit) {
    if (const auto count = reading.WholeNumber(value, position, 1, kMostUses, "uses")) {
        limit.count = static_cast<std::uint32_t>(*count);
    }
}

void ReadPer(ConfigReading& reading, const std::string& position, const json& value, UseLimit& limit) {
    if (const auto per = ReadSeconds(reading, position, value, true)) {
        limit.per = *per;
    }
}

constexpr std::array kLimitMembers{
    Member<UseLimit>{"Count", MemberKind::Control, ReadCount},
    Member<UseLimit>{"Per", MemberKind::Control, ReadPer},
};

constexpr MemberLevel<Member<UseLimit>> kLimitLevel{ConfigLevel::UseLimit, "/Commands/<name>/MaxUses",
                                                    "of a use limit", kLimitMembers};

// A limit as written; its Per zero when it has none. None when it is no object.
std::optional<UseLimit> ReadLimit(ConfigReading& reading, const std::string& position, const json& value) {
    if (!value.is_object()) {
        reading.Add(Severity::Error, position,
                    "is " + WithArticle(value) + ", not an object with Count and Per");
        return std::nullopt;
    }
    UseLimit limit;
    limit.pointer = position;
    ReadInDocumentOrder(reading, kLimitLevel, position, value, limit);
    if (!value.contains("Count")) {
        reading.Add(Severity::Error, MemberPointer(position, "Count"),
                    "missing: a use limit needs a number of uses");
    }
    return limit;
}

void ReadTierPermission(ConfigReading& reading, const std::string& position, const json& value, Tier& tier) {
    const std::string* text = value.is_string() ? &value.get_ref<const std::string&>() : nullptr;
    if (text == nullptr || text->empty() || text->size() > kLongestPermission ||
        !std::all_of(text->begin(), text->end(), IsPermissionCharacter)) {
        reading.Add(Severity::Error, position,
                    (text == nullptr ? "is " + WithArticle(value) : "is \"" + *text + "\"") +
                        fmt::format(", not a permission: 1 to {} ASCII letters, digits, _, . and -",
                                    kLongestPermission));
        return;
    }
    tier.permission = *text;
}

void ReadTierCooldown(ConfigReading& reading, const std::string& position, const json& value, Tier& tier) {
    tier.cooldown = ReadSeconds(reading, position, value, false);
}

void ReadTierMaxUses(ConfigReading& reading, const std::string& position, const json& value, Tier& tier) {
    tier.maxUses = ReadLimit(reading, position, value);
}

constexpr std::array kTierMembers{
    Member<Tier>{"Permission", MemberKind::Control, ReadTierPermission},
    Member<Tier>{"Cooldown", MemberKind::Control, ReadTierCooldown},
    Member<Tier>{"MaxUses", MemberKind::Control, ReadTierMaxUses},
};

constexpr MemberLevel<Member<Tier>> kTierLevel{ConfigLevel::Tier, "/Commands/<name>/Tiers/<n>", "of a tier",
                                               kTierMembers};

std::optional<Tier> ReadTier(ConfigReading& reading, const std::string& position, const json& value) {
    if (!value.is_object()) {
        reading.Add(
            Severity::Error, position,
            "is " + WithArticle(value) + ", not a tier: an object with Permission and Cooldown or MaxUses");
        return std::nullopt;
    }
    Tier tier;
    tier.pointer = position;
    if (!ReadInDocumentOrder(reading, kTierLevel, position, value, tier)) {
        return std::nullopt;
    }
    if (!value.contains("Permission")) {
        reading.Add(Severity::Error, MemberPointer(position, "Permission"),
                    "missing: a tier is the players holding a permission");
        return std::nullopt;
    }
    if (!tier.cooldown && !tier.maxUses) {
        reading.Add(Severity::Error, position, "sets neither Cooldown nor MaxUses: it would change nothing");
        return std::nullopt;
    }
    return tier;
}

// A tier's count is of the entry's window, so that counts compare.
bool TakesTheEntrysPer(ConfigReading& reading, const CommandSettings& settings, Tier& tier) {
    UseLimit& limit = *tier.maxUses;
    if (!settings.maxUses) {
        reading.Add(Severity::Error, limit.pointer,
                    "is set, and the entry has no MaxUses: a tier's count is of the entry's Per");
        return false;
    }
    if (limit.per != Duration::zero() && limit.per != settings.maxUses->per) {
        reading.Add(
            Severity::Error, MemberPointer(limit.pointer, "Per"),
            fmt::format("is {} s, not the entry's Per of {} s: a tier's count is of the entry's window",
                        SecondsText(limit.per), SecondsText(settings.maxUses->per)));
        return false;
    }
    limit.per = settings.maxUses->per;
    return true;
}

}  // namespace

std::optional<Duration> ReadSeconds(ConfigReading& reading, const std::string& position, const json& value,
                                    bool aboveZero) {
    const bool number = value.is_number();
    if (!number || value.get<double>() < 0 || (aboveZero && value.get<double>() == 0)) {
        const std::string what = !number                   ? "is " + WithArticle(value)
                                 : value.get<double>() < 0 ? std::string("is negative")
                                                           : std::string("is 0");
        reading.Add(Severity::Error, position,
                    what + (aboveZero ? ", not a number of seconds above 0"
                                      : ", not a number of seconds, 0 or more"));
        return std::nullopt;
    }
    const std::chrono::duration<double> seconds(
        std::min(value.get<double>(), static_cast<double>(kLongestCooldown.count())));
    return std::chrono::duration_cast<Duration>(seconds);
}

const MemberLevel<Member<UseLimit>>& UseLimitLevel() {
    return kLimitLevel;
}

const MemberLevel<Member<Tier>>& TierLevel() {
    return kTierLevel;
}

void ReadMaxUses(ConfigReading& reading, const std::string& position, const json& value,
                 CommandSettings& settings) {
    std::optional<UseLimit> limit = ReadLimit(reading, position, value);
    if (limit && value.contains("Count") && !value.contains("Per")) {
        reading.Add(Severity::Error, MemberPointer(position, "Per"),
                    "missing: a use limit needs the seconds it counts uses in");
        limit.reset();
    }
    if (limit && limit->count > 0 && limit->per > Duration::zero()) {
        settings.maxUses = limit;
    }
}

void ReadTiers(ConfigReading& reading, const std::string& position, const json& value,
               CommandSettings& settings) {
    if (!value.is_array()) {
        reading.Add(Severity::Error, position, "is " + WithArticle(value) + ", not a list of tiers");
        return;
    }
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (auto tier = ReadTier(reading, position + "/" + std::to_string(i), value[i])) {
            settings.tiers.push_back(std::move(*tier));
        }
    }
}

void CheckTiers(ConfigReading& reading, CommandSettings& settings) {
    for (Tier& tier : settings.tiers) {
        if (tier.maxUses && !TakesTheEntrysPer(reading, settings, tier)) {
            continue;
        }
        const bool shorter = tier.cooldown && *tier.cooldown < settings.cooldown;
        const bool more = tier.maxUses && settings.maxUses && tier.maxUses->count > settings.maxUses->count;
        if (!shorter && !more) {
            reading.Add(Severity::Warning, tier.pointer,
                        "is never more generous than the entry: its players are held back as everyone is");
        }
    }
}

}  // namespace Corvane
