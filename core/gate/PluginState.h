// PluginState: everything the plugin keeps from one chat line to the next.
//
// Load makes it and Unload destroys it, whatever the framework does, so
// nothing of one load outlives it. The chat handlers reach it through
// CurrentState(), which is null while the plugin is not loaded. Beside it the
// process keeps only the logger holder (PluginLog.h) and the audit files that
// end in part of a line (AuditWriter.h).
#pragma once

#include <memory>
#include <optional>

#include "core/audit/AuditWriter.h"
#include "core/audit/FloodControl.h"
#include "core/gate/PermissionsPlugin.h"
#include "core/history/ClusterFeed.h"
#include "core/history/MergedUses.h"
#include "core/history/UseHistory.h"
#include "core/history/UseRestore.h"
#include "core/settings/Settings.h"

namespace Corvane {

struct PluginState {
    explicit PluginState(Settings initial)
        : settings(std::make_shared<const Settings>(std::move(initial))), audit(WriterFor(*settings)) {}

    // Puts new settings in force at once, keeping the history; the audit
    // file follows them. Settings whose controls reach further back than the
    // history holds read the record again, as a restart would: what that
    // reading restored, or none.
    std::optional<RestoredUses> Replace(Settings newSettings);
    // At load: the history anew, from the record, then from the cluster's
    // feed when the settings have one.
    RestoredUses Restore();
    // Before each decision and check: the feed's new lines into the history.
    // The log gets one line when the feed turns stale (or is at the first
    // check), and one when it is fresh again.
    void CheckFeed();

    // The settings in force; a use keeps its own reference while it runs.
    std::shared_ptr<const Settings> settings;
    // Appends the record's line with writer (the audit file's in force, or
    // a reload's), after the summaries of flood control that are due; a
    // turn-away beyond the rate is counted instead. Throws what the writer throws.
    void Audit(AuditWriter& writer, const AuditRecord& record);
    // At unload: every summary not yet written, to the audit file in force.
    void WriteLastSummaries();

    UseHistory history;
    // What the history holds from the record and from the feed.
    MergedUses merged;
    // The cluster's feed, when the settings have one.
    std::optional<ClusterFeed> feed;
    PermissionsPlugin permissions;
    AuditWriter audit;
    FloodControl flood;

private:
    void StartFeed(std::chrono::system_clock::time_point wallNow, UseHistory::Clock::time_point steadyNow);
    // A granted use (with its hash when it is to be noted) or a forgive line
    // written to the record, for the feed.
    void NoteWritten(const AuditRecord& record, std::optional<std::uint64_t> hash,
                     std::chrono::sys_seconds time);

    // Whether the feed was stale at the last check; none before one.
    std::optional<bool> feedStale_;
};

// The state of the loaded plugin; null while it is not loaded.
PluginState* CurrentState();
// Makes state the current one; the previous one, if any, is destroyed.
void InstallState(std::unique_ptr<PluginState> state);
// Destroys the current state.
void DestroyState() noexcept;

}  // namespace Corvane
