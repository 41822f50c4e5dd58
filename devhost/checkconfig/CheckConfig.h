// corvane-devhost check-config FILE: the problems of a configuration file, then
// what players and the gameplay log would show with it on a server.
#pragma once

#include <filesystem>
#include <ostream>

namespace DevHost {

// 0 when nothing is wrong, 1 otherwise.
int CheckConfig(const std::filesystem::path& file, std::ostream& out);

}  // namespace DevHost
