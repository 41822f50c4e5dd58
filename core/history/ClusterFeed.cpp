#include "core/history/ClusterFeed.h"

#include <algorithm>
#include <string>

#include "core/audit/AuditEntry.h"
#include "core/audit/BackwardLines.h"
#include "core/audit/RecordedUses.h"
#include "core/settings/AuditPath.h"

namespace Corvane {
namespace {

namespace fs = std::filesystem;

// One read; a line longer than this is longer than any audit line
// (kLongestAuditLine), and is passed over unread.
constexpr std::size_t kChunk = kLongestAuditLine;
// Every line of the feed starts so: {"time":"2026-12-07T21:57:03Z"
constexpr std::string_view kTimePrefix = R"({"time":")";
constexpr std::size_t kTimeEnd = kTimePrefix.size() + 20;

// A use at second t ran before t + 1: lines from before this ran out.
std::chrono::sys_seconds OldestNeeded(const FeedTarget& target) {
    return std::chrono::floor<std::chrono::seconds>(target.wallNow - target.history.ReachOf().window -
                                                    std::chrono::seconds(1));
}

}  // namespace

std::string HeartbeatLine(std::chrono::sys_seconds time, std::string_view server) {
    return std::string(kTimePrefix) + UtcText(time) + R"(","server":")" + std::string(server) +
           R"(","action":"heartbeat","outcome":"alive"})";
}

ClusterFeed::Age ClusterFeed::AgeAt(std::chrono::system_clock::time_point wallNow) const {
    if (!heartbeat_) {
        return {};
    }
    const std::chrono::seconds age = std::max(std::chrono::floor<std::chrono::seconds>(wallNow) - *heartbeat_,
                                              std::chrono::seconds::zero());
    return {age, age > settings_.staleAfter};
}

void ClusterFeed::Check(const FeedTarget& target) {
    const bool look = LookDue(target.steadyNow);
    if (look) {
        FollowChanges();
    } else if (changes_.Mapped() && changes_.Value() == changesSeen_ && !unread_) {
        return;
    }
    Read(target, kMostCheckBytes, look);
}

void ClusterFeed::FollowChanges() {
    const std::optional<Platform::FileStatus> current = Platform::StatusOf(changesFile_);
    if (!current) {
        changes_ = {};
    } else if (!changes_.Mapped() || !current->SameFile(changes_.Identity())) {
        changes_.Map(changesFile_);
    }
}

void ClusterFeed::Read(const FeedTarget& target, std::size_t budget, bool look) {
    if (look) {
        looked_ = target.steadyNow;
    }
    // Taken first: a write during the read moves it again.
    changesSeen_ = changes_.Value();
    // Enough for the rest of <feed>.1, then the feed; each step moves on.
    for (int step = 0; step < 4 && budget > 0; ++step) {
        if (at_) {
            if (ReadOn(target, budget) || !(look || LookDue(target.steadyNow))) {
                break;
            }
            const std::optional<Platform::FileStatus> current = Platform::StatusOf(settings_.feedFile);
            if (current && current->SameFile(*at_)) {
                break;
            }
            // No longer the feed, so written no more: its rest, through the open file.
            if (ReadOn(target, budget)) {
                break;
            }
            SkipUnfinishedLine();
            const std::optional<Platform::FileStatus> previous = Platform::StatusOf(rotated_);
            if (previous && previous->SameFile(*at_)) {
                // Renamed: then the new feed from its start.
                if (!Start(settings_.feedFile)) {
                    break;
                }
                continue;
            }
            // Gone (deleted, or renamed twice since): the feed is read anew.
            // Let go, so that on Windows its name is free for a new feed.
            target.merged.NewFeed();
            at_.reset();
            file_ = {};
        }
        if (!Start(rotated_) && !Start(settings_.feedFile)) {
            break;
        }
    }
    unread_ = budget == 0;
    target.merged.DropBefore(OldestNeeded(target));
}

bool ClusterFeed::LookDue(UseHistory::Clock::time_point steadyNow) {
    if (looked_ && steadyNow - *looked_ < kFeedLookInterval) {
        return false;
    }
    looked_ = steadyNow;
    return true;
}

bool ClusterFeed::Start(const fs::path& path) {
    // Opened apart: on a failure the file read before stays open, so that no
    // new file can take its identity while at_ still names it.
    Platform::FollowedFile opened;
    if (!opened.Open(path)) {
        return false;
    }
    file_ = std::move(opened);
    at_ = file_.Opened();
    offset_ = 0;
    overlong_ = false;
    return true;
}

bool ClusterFeed::ReadOn(const FeedTarget& target, std::size_t& budget) {
    const std::optional<Platform::FileStatus> status = file_.Status();
    const std::uint64_t size = status ? status->size : 0;
    std::string buffer;
    while (offset_ < size && budget > 0) {
        const std::size_t wanted = std::min<std::uint64_t>({budget, kChunk, size - offset_});
        buffer.resize(wanted);
        const std::size_t read = file_.ReadAt(offset_, buffer.data(), wanted);
        buffer.resize(read);
        budget -= std::min(budget, read);
        std::size_t used = 0;
        for (std::size_t end = buffer.find('\n'); end < read; end = buffer.find('\n', used)) {
            if (overlong_) {
                overlong_ = false;
                ++counts_.lines;
                ++counts_.skipped;
            } else {
                Take(std::string_view(buffer).substr(used, end - used), target);
            }
            used = end + 1;
        }
        if (used == 0 && read == kChunk) {
            overlong_ = true;
            used = read;
        }
        offset_ += used;
        // A line's end not read yet: it is written on, or it is in the next read.
        if (used == 0 || read < wanted) {
            break;
        }
    }
    return budget == 0;
}

void ClusterFeed::SkipUnfinishedLine() {
    const std::optional<Platform::FileStatus> status = file_.Status();
    if (status && offset_ < status->size) {
        // Renamed, so written no more: nothing will finish the line it ends in.
        ++counts_.lines;
        ++counts_.skipped;
        offset_ = status->size;
        overlong_ = false;
    }
}

void ClusterFeed::Take(std::string_view line, const FeedTarget& target) {
    ++counts_.lines;
    const auto time = line.size() > kTimeEnd && line.starts_with(kTimePrefix) && line[kTimeEnd] == '"'
                          ? ParseUtcTime(line.substr(kTimePrefix.size(), 20))
                          : std::nullopt;
    if (!time) {
        ++counts_.skipped;
        return;
    }
    if (line == HeartbeatLine(*time, settings_.server)) {
        heartbeat_ = std::max(heartbeat_.value_or(*time), *time);
        return;
    }
    if (*time < OldestNeeded(target)) {
        ++counts_.old;
        return;
    }
    std::optional<AuditEntry> entry = ParseAuditEntry(line);
    if (!entry || !entry->server) {
        ++counts_.skipped;
        return;
    }
    const bool forgive = entry->outcome == "forgiven" && entry->forgiven &&
                         (entry->action == "forgive" || entry->action == "carried");
    if (forgive) {
        const std::string name = entry->forgivenName.value_or("");
        target.merged.Forgave({entry->time, *entry->forgiven, entry->forgivenName, *entry->server});
        target.history.ForgiveBefore(*entry->forgiven, name,
                                     ArrivalTime(entry->time, target.wallNow, target.steadyNow));
        ++counts_.forgives;
        return;
    }
    TakeUse(line, *entry, target);
}

void ClusterFeed::TakeUse(std::string_view line, const AuditEntry& entry, const FeedTarget& target) {
    const bool carried = entry.action == "carried";
    const auto carries = carried && entry.carries && entry.names ? ParseHash(*entry.carries) : std::nullopt;
    const std::string name = entry.outcome == "granted" && (entry.action.empty() || carries)
                                 ? InnermostNameOf(entry, wrappers_)
                                 : "";
    if (name.empty()) {
        ++counts_.skipped;
        return;
    }
    if (target.merged.Forgiven(entry.steamId, name, entry.time, *entry.server)) {
        ++counts_.forgiven;
        return;
    }
    if (target.merged.WroteSince(*entry.server, entry.time) ||
        !target.merged.FromFeed(carried ? *carries : LineHash(line), entry.time, carried)) {
        ++counts_.held;
        return;
    }
    target.history.Add(entry.steamId, name, ArrivalTime(entry.time, target.wallNow, target.steadyNow));
    ++counts_.added;
}

}  // namespace Corvane
