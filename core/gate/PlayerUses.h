// What the operators' commands /corvane uses and /corvane forgive need: the
// player an operator names, and what the history holds of them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/history/UseHistory.h"
#include "core/settings/Settings.h"
#include "host/ApiUtils.h"
#include "host/WideChar.h"

namespace Corvane {

struct NamedPlayer {
    std::uint64_t steamId = 0;
    // The character name, UTF-8; empty for a Steam id no connected player has.
    std::string name;
};

struct PlayerSearch {
    std::optional<NamedPlayer> found;
    // When none was found: the connected players of that name (none, or several).
    std::vector<NamedPlayer> matches;
};

// A Steam id (decimal digits), connected or not, or else the exact character
// name of one connected player.
PlayerSearch FindPlayer(const IApiUtils& api, WideStringView named);

// The reply to a name that found no one player: who has it, with Steam ids.
std::string DescribeMatches(WideStringView named, const std::vector<NamedPlayer>& matches);

// "Rex (76561198000000001)", or the Steam id alone.
std::string Described(const NamedPlayer& player);

// One line for each command whose cooldown runs for the player, or whose use
// limit counts uses of theirs now, with the entry's values (a tier the player
// may hold is asked only at a use).
std::vector<std::string> DescribeUses(const UseHistory& history, const Settings& settings,
                                      std::uint64_t steamId, UseHistory::Clock::time_point now);

}  // namespace Corvane
