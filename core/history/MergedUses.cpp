#include "core/history/MergedUses.h"

#include <algorithm>

namespace Corvane {

MergedUses::Count& MergedUses::At(std::uint64_t hash, std::chrono::sys_seconds time) {
    Count& count = counts_.try_emplace(hash, Count{time}).first->second;
    count.time = std::max(count.time, time);
    return count;
}

void MergedUses::Local(std::uint64_t hash, std::chrono::sys_seconds time) {
    Count& count = At(hash, time);
    ++count.local;
    count.held = std::max(count.held, count.local);
}

bool MergedUses::FromFeed(std::uint64_t hash, std::chrono::sys_seconds time, bool carried) {
    Count& count = At(hash, time);
    // A carried line stands for a use whose own line the feed may hold too,
    // or not (it was older than the reading's start): one use at most.
    if (carried) {
        if (count.held > 0) {
            return false;
        }
        count.held = 1;
        return true;
    }
    ++count.feed;
    if (count.feed <= count.held) {
        return false;
    }
    count.held = count.feed;
    return true;
}

void MergedUses::NewFeed() {
    for (auto& [hash, count] : counts_) {
        count.feed = 0;
    }
}

bool MergedUses::NoteByHash(const std::string& server, std::chrono::sys_seconds time) {
    const auto [at, first] = writing_.try_emplace(server, Writing{time, time});
    at->second.last = std::max(at->second.last, time);
    // A clock set back writes seconds before the first again: those are noted.
    return first || time <= at->second.first;
}

bool MergedUses::WroteSince(const std::string& server, std::chrono::sys_seconds time) const {
    const auto at = writing_.find(server);
    return at != writing_.end() && time > at->second.first && time <= at->second.last;
}

void MergedUses::Forgave(KnownForgive forgive) {
    forgives_.push_back(std::move(forgive));
}

bool MergedUses::Forgiven(std::uint64_t steamId, const std::string& name, std::chrono::sys_seconds time,
                          const std::string& server) const {
    return std::any_of(forgives_.begin(), forgives_.end(), [&](const KnownForgive& forgive) {
        return forgive.forgiven == steamId && (!forgive.name || *forgive.name == name) &&
               time <= forgive.time && forgive.server != server;
    });
}

void MergedUses::DropBefore(std::chrono::sys_seconds since) {
    if (counts_.size() + forgives_.size() < dropAt_) {
        return;
    }
    std::erase_if(counts_, [&](const auto& entry) { return entry.second.time < since; });
    std::erase_if(forgives_, [&](const KnownForgive& forgive) { return forgive.time < since; });
    dropAt_ = std::max<std::size_t>(1024, 2 * (counts_.size() + forgives_.size()));
}

}  // namespace Corvane
