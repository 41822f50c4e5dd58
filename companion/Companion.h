// The companion's run: one thread looks for new audit files every 250 ms and
// holds them open, whatever the database does, so that a file rotated away
// and deleted while a query waits is still read; the other copies new lines
// and every PollSeconds brings other servers' lines into the feed. The
// database's failures only delay those: it retries, backing off from 1 s to
// 30 s.
#pragma once

#include <atomic>
#include <chrono>

#include "companion/ClusterConfig.h"

namespace Companion {

inline constexpr std::chrono::milliseconds kLookInterval{250};
inline constexpr std::chrono::seconds kFirstRetry{1};
inline constexpr std::chrono::seconds kLongestRetry{30};
// How far past the longest window the feed reaches: the plugin's restore
// reads as far back past it.
inline constexpr std::chrono::minutes kWindowSlack{10};

struct RunOptions {
    // Ends once every audit line there is was copied and the feed was filled:
    // for scripts and benchmarks.
    bool untilIdle = false;
};

// Runs until stop is set; the exit status.
int RunCompanion(const ClusterConfig& config, const RunOptions& options, const std::atomic<bool>& stop);
// The check: tries the connection and the table and says what is missing.
int CheckDatabase(const ClusterConfig& config);

}  // namespace Companion
