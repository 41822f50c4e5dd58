// Runs of turn-aways (refused, denied, rejected) from one player on one
// server, each within kRunGap of the one before: someone trying what they may
// not, over and over. A run of at least kRunLength lines is worth a look.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace DevHost::Report {

inline constexpr std::chrono::seconds kRunGap{60};
inline constexpr std::uint64_t kRunLength = 5;
// The most recent runs shown; the others are counted.
inline constexpr std::size_t kRunsShown = 2000;

struct RefusalRun {
    std::uint32_t player = 0;
    std::uint32_t server = 0;
    std::chrono::sys_seconds from, to;
    std::uint64_t lines = 0;
};

class RefusalRuns {
public:
    // Lines of one player and server come in time order, as their files hold them.
    void Add(std::uint32_t player, std::uint32_t server, std::chrono::sys_seconds time);
    // The most recent kRunsShown runs, most recent first, and how many more there were.
    std::pair<std::vector<RefusalRun>, std::uint64_t> Finish() &&;

private:
    void Close(const RefusalRun& run);

    std::map<std::pair<std::uint32_t, std::uint32_t>, RefusalRun> open_;
    std::vector<RefusalRun> closed_;
};

}  // namespace DevHost::Report
