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

void ClusterFeed::Read(const FeedTarget& target, std::size_t budget) {
    const fs::path& feed = settings_.feedFile;
    const fs::path& rotated = rotated_;
    // Enough for the rest of <feed>.1, then the feed; each step moves on.
    for (int step = 0; step < 4 && budget > 0; ++step) {
        const std::optional<Platform::FileStatus> current = Platform::StatusOf(feed);
        if (at_ && current && current->SameFile(*at_)) {
            if (current->size > offset_) {
                ReadFile(feed, target, budget, false);
            }
            break;
        }
        if (at_) {
            const std::optional<Platform::FileStatus> previous = Platform::StatusOf(rotated);
            if (previous && previous->SameFile(*at_)) {
                // Renamed: its rest, then the new feed from its start.
                if (!ReadFile(rotated, target, budget, true) || !Start(feed)) {
                    break;
                }
                continue;
            }
            // Gone (deleted, or renamed twice since): the feed is read anew.
            target.merged.NewFeed();
            at_.reset();
        }
        if (!Start(rotated) && !Start(feed)) {
            break;
        }
    }
    target.merged.DropBefore(OldestNeeded(target));
}

bool ClusterFeed::Start(const fs::path& path) {
    const std::optional<Platform::FileStatus> status = Platform::StatusOf(path);
    if (!status) {
        return false;
    }
    at_ = status;
    offset_ = 0;
    overlong_ = false;
    return true;
}

bool ClusterFeed::ReadFile(const fs::path& path, const FeedTarget& target, std::size_t& budget,
                           bool renamed) {
    Platform::FollowedFile file;
    std::optional<Platform::FileStatus> status;
    if (!file.Open(path) || !(status = file.Status()) || !status->SameFile(*at_)) {
        // Replaced between the look and the open: the next look sees it.
        return false;
    }
    std::string buffer;
    while (offset_ < status->size && budget > 0) {
        const std::size_t wanted = std::min<std::uint64_t>({budget, kChunk, status->size - offset_});
        buffer.resize(wanted);
        const std::size_t read = file.ReadAt(offset_, buffer.data(), wanted);
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
    if (renamed && budget > 0 && offset_ < status->size) {
        // Nothing will finish the line it ends in.
        ++counts_.lines;
        ++counts_.skipped;
        offset_ = status->size;
        overlong_ = false;
    }
    return offset_ >= status->size;
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
    if (!target.merged.FromFeed(carried ? *carries : LineHash(line), entry.time, carried)) {
        ++counts_.held;
        return;
    }
    target.history.Add(entry.steamId, name, ArrivalTime(entry.time, target.wallNow, target.steadyNow));
    ++counts_.added;
}

}  // namespace Corvane
