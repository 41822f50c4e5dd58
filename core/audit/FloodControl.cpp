#include "core/audit/FloodControl.h"

#include <fmt/format.h>

#include <iterator>

#include "core/audit/AuditEntry.h"

namespace Corvane {

std::string SummaryLine(const OmittedLines& omitted, std::string_view server) {
    std::string line = fmt::format(
        R"({{"time":"{}",{}"steamId":"{}","action":"summary","outcome":"omitted","from":"{}","to":"{}","omitted":{{)",
        UtcText(std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now())),
        server.empty() ? std::string() : fmt::format(R"("server":"{}",)", server), omitted.steamId,
        UtcText(omitted.from), UtcText(omitted.to));
    const char* comma = "";
    for (const auto& [outcome, count] : omitted.counts) {
        fmt::format_to(std::back_inserter(line), R"({}"{}":{})", comma, outcome, count);
        comma = ",";
    }
    line += "}}";
    return line;
}

bool FloodControl::Admit(std::uint64_t steamId, const std::string& outcome, Clock::time_point now,
                         std::chrono::sys_seconds wallNow) {
    auto [at, started] = periods_.try_emplace(steamId, Period{now, 0, {steamId, {}, {}, {}}});
    Period& period = at->second;
    if (!started && now - period.start >= kFloodPeriod) {
        End(period);
        period = Period{now, 0, {steamId, {}, {}, {}}};
    }
    if (period.written < kTurnAwaysPerPeriod) {
        ++period.written;
        return true;
    }
    if (period.omitted.counts.empty()) {
        period.omitted.from = wallNow;
    }
    period.omitted.to = wallNow;
    ++period.omitted.counts[outcome];
    return false;
}

std::optional<OmittedLines> FloodControl::NextDue(Clock::time_point now) {
    for (auto period = periods_.begin(); period != periods_.end();) {
        if (now - period->second.start >= kFloodPeriod) {
            End(period->second);
            period = periods_.erase(period);
        } else {
            ++period;
        }
    }
    return due_.empty() ? std::nullopt : std::optional(due_.front());
}

void FloodControl::DropDue() {
    due_.erase(due_.begin());
}

void FloodControl::EndAll() {
    for (auto& [steamId, period] : periods_) {
        End(period);
    }
    periods_.clear();
}

void FloodControl::End(Period& period) {
    if (!period.omitted.counts.empty()) {
        due_.push_back(std::move(period.omitted));
    }
}

}  // namespace Corvane
