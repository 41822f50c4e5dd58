// The members of the controls that remember uses: an entry's "MaxUses" and
// "Tiers", and the members of a use limit and of a tier.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "core/settings/ConfigReading.h"
#include "core/settings/MemberTable.h"
#include "core/settings/Settings.h"

namespace Corvane {

// The most uses a limit may count: a history of more per player and name
// would cost more memory than any server should give it.
inline constexpr std::uint32_t kMostUses = 1'000'000;

// A number of seconds as Cooldown and Per take it, 0 or more (above 0 when
// aboveZero), held at kLongestCooldown; none, and the error, otherwise.
std::optional<std::chrono::steady_clock::duration> ReadSeconds(ConfigReading& reading,
                                                               const std::string& position,
                                                               const nlohmann::json& value, bool aboveZero);

const MemberLevel<Member<UseLimit>>& UseLimitLevel();
const MemberLevel<Member<Tier>>& TierLevel();

// The rows of "MaxUses" and "Tiers" in an entry's table.
void ReadMaxUses(ConfigReading& reading, const std::string& position, const nlohmann::json& value,
                 CommandSettings& settings);
void ReadTiers(ConfigReading& reading, const std::string& position, const nlohmann::json& value,
               CommandSettings& settings);
// Once the entry is read: its tiers' limits take its Per, and a tier is
// checked against it.
void CheckTiers(ConfigReading& reading, CommandSettings& settings);

}  // namespace Corvane
