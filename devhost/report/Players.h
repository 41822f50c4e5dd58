// One row per Steam id over the whole record: the character names seen and
// the counts by outcome.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace DevHost::Report {

// A player's names beyond these are only said to exist.
inline constexpr std::size_t kNamesShown = 10;

struct PlayerRow {
    std::string steamId;
    std::vector<std::string> names;  // in the order first seen
    bool moreNames = false;
    std::vector<std::uint64_t> outcomes;  // /cheat lines, by outcome id
    std::uint64_t omitted = 0;            // turn-aways the flood control counted in summary lines
    std::uint64_t otherLines = 0;         // /corvane lines and carried lines
    std::uint64_t lines = 0;              // every line of theirs
};

class Players {
public:
    std::uint32_t Id(const std::string& steamId);
    void Name(std::uint32_t player, const std::string& character);
    PlayerRow& Row(std::uint32_t player) { return rows_[player]; }
    const std::vector<PlayerRow>& Rows() const { return rows_; }

private:
    std::unordered_map<std::string, std::uint32_t> ids_;
    std::vector<PlayerRow> rows_;
};

}  // namespace DevHost::Report
