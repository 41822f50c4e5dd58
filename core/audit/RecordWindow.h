// How far back the readers of the audit record look: the restore at load,
// a rotation carrying the uses still needed into the new file, and the
// cluster's feed.
#pragma once

#include <chrono>
#include <cstddef>
#include <set>
#include <string>

#include "core/settings/Settings.h"

namespace Corvane {

// Servers sharing a file may disagree on the time, and a clock may be set
// back: a reader reads on past the first line older than what it needs by
// this much of the record's time before it stops.
inline constexpr std::chrono::minutes kRecordSlack{10};

struct RecordWindow {
    // The longest any control needs of the record: the longest cooldown or
    // use limit's Per, of an entry or a tier.
    std::chrono::steady_clock::duration length{};
    // The most uses of one player and name any control needs: the largest
    // use limit's Count, of an entry or a tier; 1 for a cooldown.
    std::size_t uses = 1;
    // Through which the names of a line that does not hold them are read.
    std::set<std::string> wrappers;
};

RecordWindow WindowOf(const Settings& settings);

}  // namespace Corvane
