// A use carried forward at a rotation counts once, by the core's counter
// (Corvane::CountOnce, RecordedUses.h): a carried line counts only where the
// record no longer holds its original (the rotated file that had it was
// deleted, or was not given). Here, what each carried use counts as.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/audit/RecordedUses.h"

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
    void Original(std::uint64_t hash) { count_.Original(hash); }
    void Carried(std::uint64_t hash, std::size_t file, const CarriedUse& use);
    // The uses no original in the record stands for, each with how many times it counts.
    std::vector<std::pair<CarriedUse, std::uint64_t>> Missing();
    // Whether the record holds the line that hash names.
    bool HasOriginal(std::uint64_t hash) const { return count_.Originals(hash) > 0; }

private:
    Corvane::CountOnce count_;
    std::unordered_map<std::uint64_t, CarriedUse> carried_;
};

}  // namespace DevHost::Report
