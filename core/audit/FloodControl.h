// Flood control of the audit file. A player who holds nothing can send lines
// as fast as the chat takes them, and each would be recorded: per player (by
// Steam id), only the first kTurnAwaysPerPeriod turn-away lines (IsTurnAway,
// AuditRecord.h) of a period are written; the others are counted, and their
// counts are written in one summary line once the period has ended. A period
// starts at the player's first turn-away after the last period ended; periods
// run on the monotonic clock. Granted, failed and reload lines are never held
// back.
//
// The plugin state owns it from load to unload, across reloads. It decides
// nothing about a line and writes nothing: the gate asks whether to write.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Corvane {

inline constexpr std::size_t kTurnAwaysPerPeriod = 10;
inline constexpr std::chrono::seconds kFloodPeriod{60};

// What one player's period left out.
struct OmittedLines {
    std::uint64_t steamId = 0;
    std::chrono::sys_seconds from;              // the time of the first line left out
    std::chrono::sys_seconds to;                // and of the last
    std::map<std::string, std::size_t> counts;  // by outcome
};

// {"time":"<now>","steamId":"…","action":"summary","outcome":"omitted",
//  "from":"…","to":"…","omitted":{"refused":3890,"denied":2}}, with
// "server":"<server>" after "time" when server is not empty.
std::string SummaryLine(const OmittedLines& omitted, std::string_view server = {});

class FloodControl {
public:
    using Clock = std::chrono::steady_clock;

    // Whether the player's turn-away line, with that outcome, is written;
    // when not, it is counted.
    bool Admit(std::uint64_t steamId, const std::string& outcome, Clock::time_point now,
               std::chrono::sys_seconds wallNow);
    // A summary due by now (of a period that has ended and left lines out),
    // the same one until DropDue says it is written.
    std::optional<OmittedLines> NextDue(Clock::time_point now);
    void DropDue();
    // Ends every period, as at unload: each one that left lines out is due.
    void EndAll();

private:
    struct Period {
        Clock::time_point start;
        std::size_t written = 0;
        OmittedLines omitted;
    };
    void End(Period& period);

    std::map<std::uint64_t, Period> periods_;
    std::vector<OmittedLines> due_;  // oldest first
};

}  // namespace Corvane
