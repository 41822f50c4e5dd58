#include "core/gate/PluginState.h"

#include <chrono>

namespace Corvane {
namespace {

// A plain pointer, not an owner with a destructor: at process exit the state
// is left alone, since the framework it would call may already be gone.
PluginState* current = nullptr;

// Each summary leaves the queue once it is written.
void WriteSummariesDue(FloodControl& flood, AuditWriter& writer, FloodControl::Clock::time_point now) {
    while (const auto due = flood.NextDue(now)) {
        writer.AppendLine(SummaryLine(*due, writer.Server()));
        flood.DropDue();
    }
}

}  // namespace

std::optional<RestoredUses> PluginState::Replace(Settings newSettings) {
    settings = std::make_shared<const Settings>(std::move(newSettings));
    audit = WriterFor(*settings);
    const UseHistory::Reach reach = ReachOf(*settings);
    if (settings->auditFile && reach.Exceeds(history.ReachOf())) {
        return RestoreUses(*settings, history, std::chrono::system_clock::now(), UseHistory::Clock::now());
    }
    history.SetReach(reach);
    return std::nullopt;
}

void PluginState::Audit(AuditWriter& writer, const AuditRecord& record) {
    const auto now = FloodControl::Clock::now();
    if (IsTurnAway(record.outcome) &&
        !flood.Admit(record.steamId, record.outcome, now,
                     std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()))) {
        return;
    }
    WriteSummariesDue(flood, writer, now);
    writer.Append(record);
}

void PluginState::WriteLastSummaries() {
    flood.EndAll();
    WriteSummariesDue(flood, audit, FloodControl::Clock::now());
}

PluginState* CurrentState() {
    return current;
}

void InstallState(std::unique_ptr<PluginState> state) {
    DestroyState();
    current = state.release();
}

void DestroyState() noexcept {
    delete current;
    current = nullptr;
}

}  // namespace Corvane
