// Cooldowns that outlive the plugin: at load, the granted uses the audit
// record holds within the longest configured cooldown start their cooldowns
// again, with the lengths configured now. The record is written before every
// command runs, so a restart, a reload of the plugin or a crash loses nothing.
//
// The record is the audit file and its rotated files, read newest first,
// each on past its first line older than the window by kRecordSlack
// (RecordWindow.h); then, the same way, each file a reload line read names as
// the audit file before it, so that a moved "AuditLog" loses nothing.
//
// A record's time is to the second, so a use is taken to have happened at
// the end of its second: a cooldown is never shorter than configured.
#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <string>

#include "core/history/Cooldowns.h"
#include "core/settings/Settings.h"

namespace Corvane {

struct RestoredCooldowns {
    std::size_t started = 0;
    // Lines read, those passed over among them.
    std::size_t lines = 0;
    // The granted uses within the window, each once (RecordedUses.h).
    std::size_t uses = 0;
    // Lines that are no record of a decision (a torn line, say): passed over.
    std::size_t skipped = 0;
    // Lines whose outcome or action this version does not know, by that
    // name: passed over.
    std::map<std::string, std::size_t> passedOver;
    // Why a file could not be read, when one could not; empty otherwise.
    std::string unreadable;
};

// Reads nothing unless settings name an audit file and some command has a cooldown.
RestoredCooldowns RestoreCooldowns(const Settings& settings, Cooldowns& cooldowns,
                                   std::chrono::system_clock::time_point now,
                                   Cooldowns::Clock::time_point steadyNow);

}  // namespace Corvane
