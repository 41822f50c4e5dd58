// The cooldowns running since players' granted uses: per player (by Steam id)
// and command name, on a monotonic clock, in memory. The plugin state owns the
// table; it lives from load to unload, across reloads of the settings.
//
// Starting a cooldown drops those that ran out, so the table holds only the
// cooldowns still running, and every operation costs about the same however
// many there are.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>

namespace Corvane {

class Cooldowns {
public:
    using Clock = std::chrono::steady_clock;

    // How long the player must still wait before running name again; zero
    // when nothing holds them back.
    Clock::duration Remaining(std::uint64_t steamId, const std::string& name, Clock::time_point now) const;
    // Starts (or restarts) the player's cooldown on name, to end at now + length.
    void Start(std::uint64_t steamId, const std::string& name, Clock::duration length, Clock::time_point now);
    std::size_t Size() const { return entries_.size(); }

private:
    struct Key {
        std::uint64_t steamId;
        std::string name;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const;
    };
    using ByExpiry = std::multimap<Clock::time_point, Key>;

    void DropExpired(Clock::time_point now);

    std::unordered_map<Key, ByExpiry::iterator, KeyHash> entries_;
    ByExpiry byExpiry_;
};

}  // namespace Corvane
