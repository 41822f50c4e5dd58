#include "devhost/report/Players.h"

#include <algorithm>

namespace DevHost::Report {

std::uint32_t Players::Id(const std::string& steamId) {
    const auto [entry, added] = ids_.try_emplace(steamId, static_cast<std::uint32_t>(rows_.size()));
    if (added) {
        rows_.emplace_back().steamId = steamId;
    }
    return entry->second;
}

void Players::Name(std::uint32_t player, const std::string& character) {
    PlayerRow& row = rows_[player];
    if (character.empty() || std::find(row.names.begin(), row.names.end(), character) != row.names.end()) {
        return;
    }
    if (row.names.size() < kNamesShown) {
        row.names.push_back(character);
    } else {
        row.moreNames = true;
    }
}

}  // namespace DevHost::Report
