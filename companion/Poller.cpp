#include "companion/Poller.h"

#include <algorithm>

#include <fmt/format.h>

#include "companion/LineHash.h"
#include "companion/Log.h"
#include "core/settings/AuditPath.h"

namespace Companion {

Poller::Poller(std::string server, std::chrono::seconds window, Feed& feed)
    : server_(std::move(server)), window_(window), feed_(feed) {}

std::chrono::sys_seconds Poller::WindowStart() const {
    return std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()) - window_;
}

void Poller::Take(const std::vector<Row>& rows, std::vector<std::string>& lines, PollCounts& counts,
                  std::unordered_map<std::uint64_t, std::uint32_t>* held) {
    const Clock::time_point now = Clock::now();
    for (const Row& row : rows) {
        const std::uint64_t id = std::stoull(row[0].value_or("0"));
        if (id <= low_ || !seen_.emplace(id, now).second) {
            continue;
        }
        FeedLine line = ToFeedLine(row[2].value_or(""), row[1].value_or(""));
        if (line.fault != RowFault::None) {
            ++counts.broken[line.fault];
            continue;
        }
        if (held != nullptr) {
            // Already in the feed from before a restart.
            const auto found = held->find(Fnv1a(line.text));
            if (found != held->end() && found->second > 0) {
                --found->second;
                continue;
            }
        }
        lines.push_back(std::move(line.text));
    }
    counts.lines += lines.size();
}

std::optional<DatabaseFailure> Poller::Fill(Session& session, bool ownLines, std::string_view instance,
                                            PollCounts& counts) {
    std::vector<Row> rows;
    if (auto failure = session.highestId->Query({}, rows)) {
        return failure;
    }
    const std::uint64_t highest = std::stoull(rows.at(0).at(0).value_or("0"));
    const std::chrono::sys_seconds start = WindowStart();
    if (auto failure = session.firstInWindow->Query({start}, rows)) {
        return failure;
    }
    const std::uint64_t first = std::stoull(rows.at(0).at(0).value_or("0"));
    auto failure = ownLines
                       ? session.fillAll->Query({first, start, std::string_view(server_), instance}, rows)
                       : session.fillOthers->Query({first, start, std::string_view(server_)}, rows);
    if (failure) {
        return failure;
    }
    seen_.clear();
    low_ = 0;
    auto held = feed_.Held();
    std::vector<std::string> lines;
    Take(rows, lines, counts, &held);
    low_ = highest > kStartOverlapIds ? highest - kStartOverlapIds : 0;
    seen_.erase(seen_.begin(), seen_.upper_bound(low_));
    filled_ = Append(lines);
    return std::nullopt;
}

bool Poller::Append(const std::vector<std::string>& lines) {
    if (feed_.Append(lines, std::chrono::system_clock::now())) {
        feedFailing_ = false;
        return true;
    }
    if (!feedFailing_) {
        LogError(fmt::format("Can't write the feed {}: trying again at every poll",
                             Corvane::PathText(feed_.File())));
        feedFailing_ = true;
    }
    return false;
}

void Poller::Settle() {
    const Clock::time_point settled = Clock::now() - kOverlap;
    for (auto at = seen_.begin(); at != seen_.end() && at->second <= settled;) {
        low_ = std::max(low_, at->first);
        at = seen_.erase(at);
    }
    seen_.erase(seen_.begin(), seen_.upper_bound(low_));
}

std::optional<DatabaseFailure> Poller::Poll(Session& session, PollCounts& counts) {
    std::vector<Row> ids;
    if (auto failure = session.pollIds->Query({low_, std::string_view(server_)}, ids)) {
        return failure;
    }
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    for (const Row& row : ids) {
        const std::uint64_t id = std::stoull(row[0].value_or("0"));
        if (!seen_.contains(id)) {
            first = first == 0 ? id : first;
            last = id;
        }
    }
    std::vector<std::string> lines;
    if (last != 0) {
        std::vector<Row> rows;
        if (auto failure =
                session.pollRows->Query({first, last, std::string_view(server_), WindowStart()}, rows)) {
            return failure;
        }
        Take(rows, lines, counts, nullptr);
        // Those outside the window are seen too.
        const Clock::time_point now = Clock::now();
        for (const Row& row : ids) {
            seen_.emplace(std::stoull(row[0].value_or("0")), now);
        }
    }
    // Lines that could not be written are found again by the next fill, which
    // writes what the feed lacks.
    filled_ = Append(lines);
    Settle();
    return std::nullopt;
}

}  // namespace Companion
