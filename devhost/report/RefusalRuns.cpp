#include "devhost/report/RefusalRuns.h"

#include <algorithm>

namespace DevHost::Report {

void RefusalRuns::Close(const RefusalRun& run) {
    if (run.lines >= kRunLength) {
        closed_.push_back(run);
    }
}

void RefusalRuns::Add(std::uint32_t player, std::uint32_t server, std::chrono::sys_seconds time) {
    const auto [entry, added] =
        open_.try_emplace({player, server}, RefusalRun{player, server, time, time, 0});
    RefusalRun& run = entry->second;
    if (!added && time - run.to > kRunGap) {
        Close(run);
        run = {player, server, time, time, 0};
    }
    run.to = std::max(run.to, time);
    ++run.lines;
}

std::pair<std::vector<RefusalRun>, std::uint64_t> RefusalRuns::Finish() && {
    for (const auto& [key, run] : open_) {
        Close(run);
    }
    std::sort(closed_.begin(), closed_.end(),
              [](const RefusalRun& a, const RefusalRun& b) { return a.to > b.to; });
    const std::uint64_t more = closed_.size() > kRunsShown ? closed_.size() - kRunsShown : 0;
    closed_.resize(std::min(closed_.size(), kRunsShown));
    return {std::move(closed_), more};
}

}  // namespace DevHost::Report
