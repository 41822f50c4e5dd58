// How far back the readers of the audit record look: the restore at load,
// and a rotation carrying the uses still needed into the new file.
#pragma once

#include <chrono>
#include <set>
#include <string>

#include "core/settings/Settings.h"

namespace Corvane {

// Servers sharing a file may disagree on the time, and a clock may be set
// back: a reader reads on past the first line older than what it needs by
// this much of the record's time before it stops.
inline constexpr std::chrono::minutes kRecordSlack{10};

struct RecordWindow {
    // The longest any control needs of the record: the longest cooldown.
    std::chrono::steady_clock::duration length{};
    // Through which the names of a line that does not hold them are read.
    std::set<std::string> wrappers;
};

RecordWindow WindowOf(const Settings& settings);

}  // namespace Corvane
