// fuzz_chat's own account of the audit file's flood control, worked out from
// the documented rule alone, never from the plugin: per player, the first ten
// turn-away lines of a period of 60 seconds are written and the others
// counted; a period starts at the player's first turn-away after the last one
// ended; the counts of a period that left lines out come in one summary line
// before the next audit line the plugin writes once it has ended, and at
// unload.
//
// Times are spans of the server's clock, in nanoseconds from the input's
// start. A line that may or may not fall after a period's end leaves the
// model unsure, and it tells nothing more for that input.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Fuzz {

// A summary line's player and counts by outcome.
using FloodSummary = std::pair<std::uint64_t, std::map<std::string, std::size_t>>;

class FloodModel {
public:
    using Span = std::pair<std::int64_t, std::int64_t>;

    // A turn-away line of the player at now: whether it is written (it is
    // counted when not); none when unsure.
    std::optional<bool> TurnAway(std::uint64_t steamId, const std::string& outcome, Span now);
    // The summaries written before a line written at now, sorted, and gone
    // from the model; none when unsure.
    std::optional<std::vector<FloodSummary>> WrittenBefore(Span now);
    // The same at unload: every period that left lines out.
    std::optional<std::vector<FloodSummary>> AtUnload();

private:
    struct Period {
        Span start;
        std::size_t written = 0;
        std::map<std::string, std::size_t> left;
    };
    enum class Ended { No, Yes, Unsure };
    static Ended HasEnded(const Period& period, Span now);
    // Moves the ended periods' counts to the pending summaries; false when unsure.
    bool EndPeriods(Span now, bool all);
    std::vector<FloodSummary> TakePending();

    bool unsure_ = false;
    std::map<std::uint64_t, Period> periods_;
    std::vector<FloodSummary> pending_;
};

}  // namespace Fuzz
