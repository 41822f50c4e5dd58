// Uses that outlive the plugin: at load, the granted uses the audit record
// holds within the longest window any control needs go into the history, so
// that cooldowns and use limits go on with the lengths configured now. The
// record is written before every command runs, so a restart, a reload of the
// plugin or a crash loses nothing. A forgive line forgives the uses before it.
//
// The record is the audit file and its rotated files, read newest first,
// each on past its first line older than the window by kRecordSlack
// (RecordWindow.h); then, the same way, each file a reload line read names as
// the audit file before it, so that a moved "AuditLog" loses nothing.
//
// The restore's rules hold for every control that remembers: a use counts
// from the end of its second (CountsFrom, UseHistory.h), so a window is never
// shorter than configured; windows are today's configured lengths; a line
// that can't be read is skipped and counted; the read stops at the longest
// window.
#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <string>

#include "core/history/MergedUses.h"
#include "core/history/UseHistory.h"
#include "core/settings/Settings.h"

namespace Corvane {

struct RestoredUses {
    // Uses put in the history.
    std::size_t added = 0;
    // Lines read, those passed over among them.
    std::size_t lines = 0;
    // The granted uses within the window, each once (RecordedUses.h).
    std::size_t uses = 0;
    // Uses within the window left out: a forgive line came after them.
    std::size_t forgiven = 0;
    // Lines that are no record of a decision (a torn line, say): passed over.
    std::size_t skipped = 0;
    // Lines whose outcome or action this version does not know, by that
    // name: passed over.
    std::map<std::string, std::size_t> passedOver;
    // Why a file could not be read, when one could not; empty otherwise.
    std::string unreadable;
};

// The history for the settings: empty, with the settings' reach, and the
// record's uses in it when the settings name an audit file. With merged, the
// record's uses (forgiven ones too) and forgive lines are noted there, for
// the cluster's feed (ClusterFeed.h); a forgive line that names no server is
// this one's.
UseHistory::Reach ReachOf(const Settings& settings);
RestoredUses RestoreUses(const Settings& settings, UseHistory& history,
                         std::chrono::system_clock::time_point now, UseHistory::Clock::time_point steadyNow,
                         MergedUses* merged = nullptr);

}  // namespace Corvane
