// The plugin's reader of the cluster's feed: the file its companion fills
// with the other servers' granted uses and forgive lines (and, after a lost
// audit folder, this server's own), and a heartbeat at every poll. No thread,
// no socket: the game thread reads it, a little at a time.
//
// At load both files are read (<feed>.1 then the feed), as far back as the
// history's reach and kRecordSlack. The file read is kept open and known by
// its identity with its offset, so that a status call on the open file says
// whether it grew, and only its new lines are read, at most kMostCheckBytes
// of them (the rest at the next check). Whether the companion renamed the
// feed to <feed>.1 and started anew is a look at the paths, made at most
// every kFeedLookInterval: the old file's rest is read through the open file,
// then the new one from its start, however far it has grown. While no feed
// is open (none yet), every check looks for one (see below).
//
// The companion bumps a counter beside the feed after each write to it
// (FeedChangesFile). While it is mapped, a check between two looks reads the
// counter from memory and makes the status call only when the counter moved
// or a check left lines unread: no system call at all on a quiet feed. A line
// written to the feed by anything else is read at the next look. Without the
// counter file, every check makes the status call.
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
#include "core/platform/MappedCounter.h"
#include "core/settings/AuditPath.h"
#include "core/settings/Settings.h"

namespace Corvane {

// What one check reads at most: the rest of a burst waits for the next one.
inline constexpr std::size_t kMostCheckBytes = std::size_t{64} * 1024;
// How often a check looks at the feed's paths: a look costs a path lookup,
// dearer than the status call on the open file, and the companion writes the
// new feed once a poll.
inline constexpr std::chrono::milliseconds kFeedLookInterval{250};

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
          changesFile_(FeedChangesFile(settings_.feedFile)),
          wrappers_(std::move(wrappers)) {}

    const ClusterSettings& Settings() const { return settings_; }
    // Whether it reads what a feed of settings and wrappers would read, in the
    // same way.
    bool Reads(const ClusterSettings& settings, const std::set<std::string>& wrappers) const {
        return settings == settings_ && wrappers == wrappers_;
    }
    // At load: both files, to their ends.
    void Load(const FeedTarget& target) {
        FollowChanges();
        Read(target, SIZE_MAX, true);
    }
    // Before a decision: what the feed gained since, at most kMostCheckBytes.
    void Check(const FeedTarget& target);

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
    // With look, the paths are looked at whether due or not.
    void Read(const FeedTarget& target, std::size_t budget, bool look);
    bool LookDue(UseHistory::Clock::time_point steadyNow);
    // At a look: maps the counter file the companion bumps now, when it is
    // another than the one mapped.
    void FollowChanges();
    // Opens the file at path to read from its start; false when there is none.
    bool Start(const std::filesystem::path& path);
    // Reads what the open file holds past offset_, within budget; true when
    // the budget ran out first.
    bool ReadOn(const FeedTarget& target, std::size_t& budget);
    // A file that is no longer the feed is written no more: a part of a line
    // at its end is skipped.
    void SkipUnfinishedLine();
    void Take(std::string_view line, const FeedTarget& target);
    void TakeUse(std::string_view line, const AuditEntry& entry, const FeedTarget& target);

    ClusterSettings settings_;
    // <feed>.1 and <feed>.changes, made once: a path is dearer to build than
    // the status call it names.
    std::filesystem::path rotated_;
    std::filesystem::path changesFile_;
    std::set<std::string> wrappers_;
    Platform::FollowedFile file_;             // the file read, open while at_ names it
    std::optional<Platform::FileStatus> at_;  // which file that is
    std::uint64_t offset_ = 0;                // how far it is read
    std::optional<UseHistory::Clock::time_point> looked_;
    Platform::MappedCounter changes_;
    std::uint64_t changesSeen_ = 0;  // the counter when the last read began
    bool unread_ = false;            // the last read stopped at its budget
    bool overlong_ = false;          // in a line too long to keep, until its end
    std::optional<std::chrono::sys_seconds> heartbeat_;
    FeedCounts counts_;
};

// {"time":"…","server":"<server>","action":"heartbeat","outcome":"alive"},
// as the companion writes it.
std::string HeartbeatLine(std::chrono::sys_seconds time, std::string_view server);

}  // namespace Corvane
