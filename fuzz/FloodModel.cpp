#include "fuzz/FloodModel.h"

#include <algorithm>

namespace Fuzz {
namespace {

constexpr std::int64_t kPeriod = 60'000'000'000;
constexpr std::size_t kWrittenAPeriod = 10;

}  // namespace

FloodModel::Ended FloodModel::HasEnded(const Period& period, Span now) {
    if (now.first - period.start.second >= kPeriod) {
        return Ended::Yes;
    }
    return now.second - period.start.first < kPeriod ? Ended::No : Ended::Unsure;
}

bool FloodModel::EndPeriods(Span now, bool all) {
    for (auto at = periods_.begin(); at != periods_.end();) {
        const Ended ended = all ? Ended::Yes : HasEnded(at->second, now);
        if (ended == Ended::Unsure) {
            unsure_ = true;
            return false;
        }
        if (ended == Ended::No) {
            ++at;
            continue;
        }
        if (!at->second.left.empty()) {
            pending_.emplace_back(at->first, std::move(at->second.left));
        }
        at = periods_.erase(at);
    }
    return true;
}

std::vector<FloodSummary> FloodModel::TakePending() {
    std::vector<FloodSummary> taken = std::move(pending_);
    pending_.clear();
    std::sort(taken.begin(), taken.end());
    return taken;
}

std::optional<bool> FloodModel::TurnAway(std::uint64_t steamId, const std::string& outcome, Span now) {
    if (unsure_) {
        return std::nullopt;
    }
    const auto at = periods_.find(steamId);
    if (at != periods_.end()) {
        const Ended ended = HasEnded(at->second, now);
        if (ended == Ended::Unsure) {
            unsure_ = true;
            return std::nullopt;
        }
        if (ended == Ended::Yes) {
            if (!at->second.left.empty()) {
                pending_.emplace_back(steamId, std::move(at->second.left));
            }
            periods_.erase(at);
        }
    }
    Period& period = periods_.try_emplace(steamId, Period{now, 0, {}}).first->second;
    if (period.written < kWrittenAPeriod) {
        ++period.written;
        return true;
    }
    ++period.left[outcome];
    return false;
}

std::optional<std::vector<FloodSummary>> FloodModel::WrittenBefore(Span now) {
    if (unsure_ || !EndPeriods(now, false)) {
        return std::nullopt;
    }
    return TakePending();
}

std::optional<std::vector<FloodSummary>> FloodModel::AtUnload() {
    if (unsure_ || !EndPeriods({}, true)) {
        return std::nullopt;
    }
    return TakePending();
}

}  // namespace Fuzz
