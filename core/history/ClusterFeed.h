// The plugin's reader of the cluster's feed: the file its companion fills
// with the other servers' granted uses and forgive lines (and, after a lost
// audit folder, this server's own), and a heartbeat at every poll. No thread,
// no socket: the game thread reads it, a little at a time.
//
// At load both files are read (<feed>.1 then the feed), as far back as the
// history's reach and kRecordSlack; before each decision, one status call
// says whether the feed grew, and only its new lines are read, at most
// kMostCheckBytes of them (the rest at the next check). The file read is
// known by its identity with its offset: when the companion renames the feed
// to <feed>.1 and starts anew, the rest of the old one is read from <feed>.1,
// then the new one from its start, however far it has grown.
//
// Each granted use and forgive line goes into the history as the restore's
// do: its time converted by ArrivalTime, each use once (MergedUses.h). A
// forgive line forgives the player's uses up to the end of its second. A line
// that is none of those, or that can't be read, is skipped and counted.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "core/audit/AuditEntry.h"
#include "core/history/MergedUses.h"
#include "core/history/UseHistory.h"
#include "core/platform/FollowedFile.h"
#include "core/settings/AuditPath.h"
#include "core/settings/Settings.h"

namespace Corvane {

// What one check reads at most: the rest of a burst waits for the next one.
inline constexpr std::size_t kMostCheckBytes = std::size_t{64} * 1024;

struct FeedCounts {
    std::size_t lines = 0;     // read, of every kind
    std::size_t added = 0;     // uses put in the history
    std::size_t held = 0;      // uses the history held already (the record's own, a refill's)
    std::size_t forgiven = 0;  // uses left out: a forgive line came before
    std::size_t forgives = 0;  // forgive lines applied
    std::size_t old = 0;       // uses and forgive lines older than the reach
    std::size_t skipped = 0;   // lines that are none of the feed's, or can't be read
};

// What the history and the feed's reading are, for one pass.
struct FeedTarget {
    UseHistory& history;
    MergedUses& merged;
    std::chrono::system_clock::time_point wallNow;
    UseHistory::Clock::time_point steadyNow;
};

class ClusterFeed {
public:
    ClusterFeed(ClusterSettings settings, std::set<std::string> wrappers)
        : settings_(std::move(settings)),
          rotated_(RotatedAuditFile(settings_.feedFile, 1)),
          wrappers_(std::move(wrappers)) {}

    const ClusterSettings& Settings() const { return settings_; }
    // At load: both files, to their ends.
    void Load(const FeedTarget& target) { Read(target, SIZE_MAX); }
    // Before a decision: what the feed gained since, at most kMostCheckBytes.
    void Check(const FeedTarget& target) { Read(target, kMostCheckBytes); }

    // The newest heartbeat's time; none before one is read.
    std::optional<std::chrono::sys_seconds> Heartbeat() const { return heartbeat_; }
    // The feed's age: now against its newest heartbeat, by this server's
    // clock (a heartbeat from its future is taken as now). Stale without a
    // heartbeat, or with one older than StaleAfter.
    struct Age {
        std::optional<std::chrono::seconds> age;
        bool stale = true;
    };
    Age AgeAt(std::chrono::system_clock::time_point wallNow) const;
    const FeedCounts& Counts() const { return counts_; }

private:
    void Read(const FeedTarget& target, std::size_t budget);
    // Reads the file at path, when it is still the one at_ names, from
    // offset_ on; true once all of it is read. A renamed file is written no
    // more: a part of a line at its end is skipped.
    bool ReadFile(const std::filesystem::path& path, const FeedTarget& target, std::size_t& budget,
                  bool renamed);
    // Starts reading the file at path from its start; false when there is none.
    bool Start(const std::filesystem::path& path);
    void Take(std::string_view line, const FeedTarget& target);
    void TakeUse(std::string_view line, const AuditEntry& entry, const FeedTarget& target);

    ClusterSettings settings_;
    // <feed>.1, made once: a path is dearer to build than the status call it names.
    std::filesystem::path rotated_;
    std::set<std::string> wrappers_;
    std::optional<Platform::FileStatus> at_;  // the file read, and how far
    std::uint64_t offset_ = 0;
    bool overlong_ = false;  // in a line too long to keep, until its end
    std::optional<std::chrono::sys_seconds> heartbeat_;
    FeedCounts counts_;
};

// {"time":"…","server":"<server>","action":"heartbeat","outcome":"alive"},
// as the companion writes it.
std::string HeartbeatLine(std::chrono::sys_seconds time, std::string_view server);

}  // namespace Corvane
