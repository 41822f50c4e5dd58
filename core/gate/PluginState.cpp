#include "core/gate/PluginState.h"

#include <chrono>

#include "core/audit/AuditEntry.h"
#include "core/audit/RecordedUses.h"
#include "core/text/PluginLog.h"

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
        return Restore();
    }
    history.SetReach(reach);
    if (feed && settings->cluster && feed->Reads(*settings->cluster, settings->wrappers)) {
        // The same feed, read the same way: only what it gained since.
        CheckFeed();
        return std::nullopt;
    }
    // Read anew as the settings say: it adds only what the history lacks.
    StartFeed(std::chrono::system_clock::now(), UseHistory::Clock::now());
    return std::nullopt;
}

RestoredUses PluginState::Restore() {
    const auto wallNow = std::chrono::system_clock::now();
    const auto steadyNow = UseHistory::Clock::now();
    merged = MergedUses();
    RestoredUses restored = RestoreUses(*settings, history, wallNow, steadyNow, &merged);
    StartFeed(wallNow, steadyNow);
    return restored;
}

void PluginState::StartFeed(std::chrono::system_clock::time_point wallNow,
                            UseHistory::Clock::time_point steadyNow) {
    feed.reset();
    if (!settings->cluster) {
        return;
    }
    merged.NewFeed();
    feed.emplace(*settings->cluster, settings->wrappers);
    feed->Load({history, merged, wallNow, steadyNow});
}

void PluginState::CheckFeed() {
    if (!feed) {
        return;
    }
    const auto wallNow = std::chrono::system_clock::now();
    feed->Check({history, merged, wallNow, UseHistory::Clock::now()});
    const ClusterFeed::Age age = feed->AgeAt(wallNow);
    if (age.stale == feedStale_.value_or(false)) {
        feedStale_ = age.stale;
        return;
    }
    feedStale_ = age.stale;
    if (!age.stale) {
        PluginLog()->info("The cluster feed is fresh again: its last heartbeat is {} s old",
                          age.age->count());
    } else if (age.age) {
        PluginLog()->warn(
            "The cluster feed is stale: its last heartbeat is {} s old (StaleAfter {} s); "
            "decisions go on with this server's uses and those already read",
            age.age->count(), feed->Settings().staleAfter.count());
    } else {
        PluginLog()->warn(
            "The cluster feed is stale: it holds no heartbeat of its companion; decisions go on "
            "with this server's uses and those already read");
    }
}

void PluginState::NoteWritten(const AuditRecord& record, std::optional<std::uint64_t> hash,
                              std::chrono::sys_seconds time) {
    if (hash) {
        merged.Local(*hash, time);
    } else if (record.action == "forgive" && record.outcome == "forgiven" && record.forgiven) {
        merged.Forgave({time, *record.forgiven, record.forgivenName, feed->Settings().server});
    }
}

void PluginState::Audit(AuditWriter& writer, const AuditRecord& record) {
    const auto now = FloodControl::Clock::now();
    if (IsTurnAway(record.outcome) &&
        !flood.Admit(record.steamId, record.outcome, now,
                     std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()))) {
        return;
    }
    WriteSummariesDue(flood, writer, now);
    std::string line = AuditLine(record, writer.Server());
    // {"time":"2026-12-07T21:57:03Z",...
    const auto time = feed ? ParseUtcTime(std::string_view(line).substr(9, 20)) : std::nullopt;
    const bool granted = record.action.empty() && record.outcome == "granted";
    const auto hash = time && granted && merged.NoteByHash(writer.Server(), *time)
                          ? std::optional<std::uint64_t>(LineHash(line))
                          : std::nullopt;
    writer.AppendLine(std::move(line));
    if (time) {
        NoteWritten(record, hash, *time);
    }
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
