#include "core/history/UseHistory.h"

#include <algorithm>
#include <functional>

namespace Corvane {

using Clock = UseHistory::Clock;

std::size_t UseHistory::KeyHash::operator()(const Key& key) const {
    return std::hash<std::uint64_t>()(key.steamId) * 31 + std::hash<std::string>()(key.name);
}

void UseHistory::SetReach(Reach reach) {
    reach_ = reach;
    for (auto it = entries_.begin(); it != entries_.end();) {
        Entry& entry = it->second;
        byDrop_.erase(entry.drop);
        if (reach_.window <= Clock::duration::zero()) {
            it = entries_.erase(it);
            continue;
        }
        Trim(entry);
        Reindex(it->first, entry);
        ++it;
    }
}

void UseHistory::Add(std::uint64_t steamId, const std::string& name, Clock::time_point at) {
    // No command the console can read has the empty name, and no control asks of it.
    if (reach_.window <= Clock::duration::zero() || name.empty()) {
        return;
    }
    DropExpired(at);
    auto [found, added] = entries_.try_emplace(Key{steamId, name});
    Entry& entry = found->second;
    if (!added) {
        byDrop_.erase(entry.drop);
    }
    // Almost always the newest: the gate adds as uses run.
    const auto place = std::upper_bound(entry.times.begin() + static_cast<std::ptrdiff_t>(entry.first),
                                        entry.times.end(), at);
    entry.times.insert(place, at);
    Trim(entry);
    Reindex(found->first, entry);
}

void UseHistory::Forgive(std::uint64_t steamId, std::string_view name) {
    if (!name.empty()) {
        if (const auto found = entries_.find(Key{steamId, std::string(name)}); found != entries_.end()) {
            Erase(found);
        }
        return;
    }
    for (auto it = entries_.begin(); it != entries_.end();) {
        auto next = std::next(it);
        if (it->first.steamId == steamId) {
            Erase(it);
        }
        it = next;
    }
}

void UseHistory::ForgiveBefore(std::uint64_t steamId, std::string_view name, Clock::time_point at) {
    for (auto it = entries_.begin(); it != entries_.end();) {
        auto next = std::next(it);
        Entry& entry = it->second;
        if (it->first.steamId == steamId && (name.empty() || it->first.name == name)) {
            const auto kept = std::upper_bound(entry.times.begin() + static_cast<std::ptrdiff_t>(entry.first),
                                               entry.times.end(), at);
            if (kept == entry.times.end()) {
                Erase(it);
            } else {
                // The newest use stays, and with it the entry's place in byDrop_.
                entry.first = static_cast<std::size_t>(kept - entry.times.begin());
            }
        }
        it = next;
    }
}

std::span<const Clock::time_point> UseHistory::Uses(std::uint64_t steamId, const std::string& name) const {
    const auto found = entries_.find(Key{steamId, name});
    if (found == entries_.end()) {
        return {};
    }
    const Entry& entry = found->second;
    return std::span(entry.times).subspan(entry.first);
}

std::vector<std::string> UseHistory::NamesOf(std::uint64_t steamId) const {
    std::vector<std::string> names;
    for (const auto& [key, entry] : entries_) {
        if (key.steamId == steamId) {
            names.push_back(key.name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

void UseHistory::DropExpired(Clock::time_point now) {
    while (!byDrop_.empty() && byDrop_.begin()->first <= now) {
        Erase(entries_.find(*byDrop_.begin()->second));
    }
}

// Keeps the newest reach_.uses; the vector is compacted once half of it is gone.
void UseHistory::Trim(Entry& entry) {
    const std::size_t held = entry.times.size() - entry.first;
    if (held > reach_.uses) {
        entry.first += held - reach_.uses;
    }
    if (entry.first > 0 && entry.first * 2 >= entry.times.size()) {
        entry.times.erase(entry.times.begin(),
                          entry.times.begin() + static_cast<std::ptrdiff_t>(entry.first));
        entry.first = 0;
    }
}

void UseHistory::Reindex(const Key& key, Entry& entry) {
    entry.drop = byDrop_.emplace(entry.times.back() + reach_.window, &key);
}

void UseHistory::Erase(std::unordered_map<Key, Entry, KeyHash>::iterator found) {
    byDrop_.erase(found->second.drop);
    entries_.erase(found);
}

Clock::time_point ArrivalTime(std::chrono::sys_seconds recorded,
                              std::chrono::system_clock::time_point wallNow, Clock::time_point steadyNow) {
    // Past any window (10^9 s at most), and within the clock's range from any now.
    constexpr std::chrono::seconds kFarPast{4'000'000'000};
    // Seconds first: a hostile line may name the year 9999, which no
    // nanosecond count holds.
    const auto wholeNow = std::chrono::floor<std::chrono::seconds>(wallNow);
    const auto ago = wholeNow - CountsFrom(recorded);
    if (ago < std::chrono::seconds::zero()) {
        return steadyNow;
    }
    return steadyNow - std::min(ago, kFarPast) - (wallNow - wholeNow);
}

Clock::duration CooldownLeft(std::span<const Clock::time_point> uses, Clock::duration length,
                             Clock::time_point now) {
    if (uses.empty() || length <= Clock::duration::zero()) {
        return Clock::duration::zero();
    }
    const Clock::time_point ends = uses.back() + length;
    return ends > now ? ends - now : Clock::duration::zero();
}

LimitAnswer AskLimit(std::span<const Clock::time_point> uses, std::size_t count, Clock::duration per,
                     Clock::time_point now) {
    // Within the window: after now - per. A use at the window's edge has left it.
    const auto first = std::upper_bound(uses.begin(), uses.end(), now - per);
    LimitAnswer answer{static_cast<std::size_t>(uses.end() - first), {}, {}};
    if (first != uses.end()) {
        answer.frees = *first + per - now;
    }
    if (answer.used >= count && count > 0) {
        // The player may use it again once all but count - 1 of them have left.
        answer.left = *(uses.end() - static_cast<std::ptrdiff_t>(count)) + per - now;
    }
    return answer;
}

}  // namespace Corvane
