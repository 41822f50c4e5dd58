// corvane-devhost replay FILE... --config NEW: what a new configuration would
// have decided of every /cheat line an audit record holds.
#pragma once

#include <filesystem>
#include <ostream>
#include <vector>

namespace DevHost {

struct ReplayRequest {
    // Each with its rotated files, read oldest first, in the order given.
    std::vector<std::filesystem::path> files;
    std::filesystem::path config;
    bool json = false;
};

// 0 when no outcome would change, 1 when some would or can't be told, 2 when
// a file is missing or the configuration can't be used (said on errors).
int Replay(const ReplayRequest& request, std::ostream& out, std::ostream& errors);

}  // namespace DevHost
