// A use carried forward at a rotation counts once. A carried line names the
// line it carries by the hash of its bytes; for each hash H the record holds
//   uses(H) = max(the lines that hash to H, the most carried lines naming H in any one file),
// so a carried line counts only where the record no longer holds its original
// (the rotated file that had it was deleted, or was not given).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace DevHost::Report {

// What a carried line counts as when it counts: a use of its time, player,
// server, innermost name and outcome.
struct CarriedUse {
    std::chrono::sys_seconds time;
    std::uint32_t player = 0;
    std::uint32_t server = 0;
    std::uint32_t command = 0;
    std::uint32_t outcome = 0;
};

class CarriedUses {
public:
    // A line a rotation may carry (a granted use, a forgive line), by its hash.
    void Original(std::uint64_t hash) { originals_.push_back(hash); }
    void Carried(std::uint64_t hash, std::size_t file, const CarriedUse& use);
    // The uses no original in the record stands for, each with how many times it counts.
    std::vector<std::pair<CarriedUse, std::uint64_t>> Missing();
    // After Missing: whether the record holds the line that hash names.
    bool HasOriginal(std::uint64_t hash) const;

private:
    struct Named {
        std::vector<std::pair<std::size_t, std::uint64_t>> perFile;  // file, carried lines naming it there
        CarriedUse use;
    };

    std::vector<std::uint64_t> originals_;  // sorted by Missing
    std::unordered_map<std::uint64_t, Named> carried_;
};

}  // namespace DevHost::Report
