// Uses counted by hour, server, command name and outcome over the whole
// record: what the page's charts are drawn from, so that they follow the
// command, outcome, server and time filters without the raw lines.
#pragma once

#include <chrono>
#include <cstdint>
#include <unordered_map>

namespace DevHost::Report {

struct UseCell {
    std::int64_t hour = 0;  // since 1970, UTC
    std::uint32_t server = 0;
    std::uint32_t command = 0;
    std::uint32_t outcome = 0;

    bool operator==(const UseCell&) const = default;
};

struct UseCellHash {
    std::size_t operator()(const UseCell& cell) const {
        std::uint64_t hash = static_cast<std::uint64_t>(cell.hour);
        for (const std::uint32_t part : {cell.server, cell.command, cell.outcome}) {
            hash = (hash ^ part) * 0x100000001b3;
        }
        return static_cast<std::size_t>(hash ^ (hash >> 29));
    }
};

class UseCounts {
public:
    void Add(std::chrono::sys_seconds time, std::uint32_t server, std::uint32_t command,
             std::uint32_t outcome, std::uint64_t count) {
        const auto hour = std::chrono::floor<std::chrono::hours>(time).time_since_epoch().count();
        cells_[{hour, server, command, outcome}] += count;
    }
    const std::unordered_map<UseCell, std::uint64_t, UseCellHash>& Cells() const { return cells_; }

private:
    std::unordered_map<UseCell, std::uint64_t, UseCellHash> cells_;
};

}  // namespace DevHost::Report
