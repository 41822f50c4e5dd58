// The granted uses every control that remembers asks about: per player (by
// Steam id) and innermost command name, their times on the monotonic clock,
// kept only as far back as the longest window any control needs (its reach).
// The plugin state owns one from load to unload, across reloads.
//
// It is fed one way from every source: the gate adds each granted use as it
// runs; the restore at load (UseRestore.h) adds the record's, replay the
// replayed ones, each converted once to this clock as it arrives (ArrivalTime).
// A cooldown or a use limit is a question asked of it (CooldownLeft,
// LimitReached) with the length configured now, so a reload and a restart
// give the same answer.
//
// Adding a use drops the players' names whose newest use has left the reach:
// the history holds at most the uses of its reach, and each operation costs
// about the same however many players it holds.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Corvane {

class UseHistory {
public:
    using Clock = std::chrono::steady_clock;

    // How much of the past the controls need: uses within window, at most
    // `uses` of them per player and name. A zero window keeps nothing.
    struct Reach {
        Clock::duration window{};
        std::size_t uses = 1;
        bool operator==(const Reach&) const = default;
        // Whether this reach needs a use the other could have dropped.
        bool Exceeds(const Reach& other) const { return window > other.window || uses > other.uses; }
    };

    UseHistory() = default;
    explicit UseHistory(Reach reach) : reach_(reach) {}

    const Reach& ReachOf() const { return reach_; }
    // Uses beyond a narrower reach are dropped; a wider one can't bring back
    // what was dropped (the caller reads the record again: UseRestore.h).
    void SetReach(Reach reach);

    // A granted use of name by the player at `at`; out of order is fine.
    void Add(std::uint64_t steamId, const std::string& name, Clock::time_point at);
    // Forgets the player's uses of name, or of every name when name is empty.
    void Forgive(std::uint64_t steamId, std::string_view name);
    // The same of the uses at or before `at` only: a forgive line of another
    // server forgives what came before it, not a use made since.
    void ForgiveBefore(std::uint64_t steamId, std::string_view name, Clock::time_point at);

    // The player's uses of name, oldest first; some may be older than the
    // window, which the questions below pass over.
    std::span<const Clock::time_point> Uses(std::uint64_t steamId, const std::string& name) const;
    // The names the player has uses of, in name order.
    std::vector<std::string> NamesOf(std::uint64_t steamId) const;
    // Player and name pairs held.
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
    struct Entry;
    using ByDrop = std::multimap<Clock::time_point, const Key*>;
    struct Entry {
        // Sorted; those before `first` are gone (erased in batches).
        std::vector<Clock::time_point> times;
        std::size_t first = 0;
        ByDrop::iterator drop;
    };

    void DropExpired(Clock::time_point now);
    void Trim(Entry& entry);
    void Reindex(const Key& key, Entry& entry);
    void Erase(std::unordered_map<Key, Entry, KeyHash>::iterator found);

    Reach reach_;
    std::unordered_map<Key, Entry, KeyHash> entries_;
    // Each entry by when its newest use leaves the window.
    ByDrop byDrop_;
};

// A use recorded at second t ran before that second's end: it counts from
// t + 1 s, so that no window is shorter than configured.
inline std::chrono::sys_seconds CountsFrom(std::chrono::sys_seconds recorded) {
    return recorded + std::chrono::seconds(1);
}

// A second before which no recorded use can still be within a window of that
// length at now, as CountsFrom says, with a second to spare. Seconds, not the clock's
// nanoseconds: a hostile line may name the year 9999, which no nanosecond
// count holds.
inline std::chrono::sys_seconds OldestWithin(std::chrono::system_clock::time_point now,
                                             std::chrono::nanoseconds length) {
    return std::chrono::floor<std::chrono::seconds>(now - length) -
           (CountsFrom({}) - std::chrono::sys_seconds{});
}

// A recorded time on the history's clock, converted once as it arrives: the
// end of its second, a time in the future (a clock set wrong) taken as now.
UseHistory::Clock::time_point ArrivalTime(std::chrono::sys_seconds recorded,
                                          std::chrono::system_clock::time_point wallNow,
                                          UseHistory::Clock::time_point steadyNow);

// How long the player must still wait after the newest of uses, with a
// cooldown of length; zero when nothing holds them back.
UseHistory::Clock::duration CooldownLeft(std::span<const UseHistory::Clock::time_point> uses,
                                         UseHistory::Clock::duration length,
                                         UseHistory::Clock::time_point now);

// What a use limit of count per `per` says of uses at now.
struct LimitAnswer {
    std::size_t used = 0;  // within the last `per`
    // Until the oldest use that holds the player back leaves the window;
    // zero when the limit lets the use through.
    UseHistory::Clock::duration left{};
    // Until the oldest use within the window leaves it, freeing one use;
    // zero when none is within it.
    UseHistory::Clock::duration frees{};
};
LimitAnswer AskLimit(std::span<const UseHistory::Clock::time_point> uses, std::size_t count,
                     UseHistory::Clock::duration per, UseHistory::Clock::time_point now);

}  // namespace Corvane
