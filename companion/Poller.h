// Brings other servers' granted uses and forgive lines from the table into
// the feed, polling with an overlap: under concurrent writers a row becomes
// visible after rows with higher ids, so each poll reads again every id above
// the highest one seen at least kOverlap ago, and drops the ids it has seen.
// A row is missed only if its writer's transaction stays open longer than
// kOverlap; the companions' sessions make the server end a write transaction
// idle for 10 s.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "companion/AuditFields.h"
#include "companion/Database.h"
#include "companion/Feed.h"
#include "companion/Session.h"

namespace Companion {

struct PollCounts {
    std::uint64_t lines = 0;  // written to the feed
    std::map<RowFault, std::uint64_t> broken;
};

class Poller {
public:
    static constexpr std::chrono::seconds kOverlap{30};
    // At the start, the ids this far below the highest are read again too:
    // rows that other servers' open transactions will still add.
    static constexpr std::uint64_t kStartOverlapIds = 20000;

    Poller(std::string server, std::chrono::seconds window, Feed& feed);

    // Fills the feed with the window's rows it lacks; with ownLines, this
    // server's own too (its audit folder was lost, or the feed was), but for
    // those of the running instance, which its audit files hold.
    std::optional<DatabaseFailure> Fill(Session& session, bool ownLines, std::string_view instance,
                                        PollCounts& counts);
    // One poll: new rows to the feed, then a heartbeat.
    std::optional<DatabaseFailure> Poll(Session& session, PollCounts& counts);
    bool Filled() const { return filled_; }
    // The feed was lost since the last poll: the next one fills it again.
    void Refill() { filled_ = false; }

private:
    using Clock = std::chrono::steady_clock;
    std::chrono::sys_seconds WindowStart() const;
    // Rows (id, server, line) to feed lines; the ids seen noted.
    void Take(const std::vector<Row>& rows, std::vector<std::string>& lines, PollCounts& counts,
              std::unordered_map<std::uint64_t, std::uint32_t>* held);
    void Settle();
    // Appends to the feed; false, logged once until it works again, when it can't.
    bool Append(const std::vector<std::string>& lines);

    std::string server_;
    std::chrono::seconds window_;
    Feed& feed_;
    bool filled_ = false;
    bool feedFailing_ = false;
    std::uint64_t low_ = 0;                            // every id up to it is settled
    std::map<std::uint64_t, Clock::time_point> seen_;  // ids above low_, when first seen
};

}  // namespace Companion
