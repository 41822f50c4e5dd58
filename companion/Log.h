// The companion's log: one line for each event, on standard error, with the
// time in UTC. Nothing it writes holds the database password.
#pragma once

#include <string_view>

namespace Companion {

void LogInfo(std::string_view message);
void LogWarning(std::string_view message);
void LogError(std::string_view message);

}  // namespace Companion
