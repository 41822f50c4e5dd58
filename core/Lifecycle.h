// The plugin's load and unload sequences, and the entry notification that runs them.
#pragma once

#include <cstdint>

namespace Corvane {

// Creates the logger, reads and checks the configuration (a failure is
// logged and rethrown, and nothing is registered; warnings are logged), then
// registers /cheat.
void Load();

// Unregisters /cheat, forgets the cooldowns and lets go of the permissions
// plugin. The logger and the configuration stay until the process ends.
void Unload();

// The operating system's notification: 1 runs Load, 0 runs Unload, 2 and 3 do
// nothing. Returns 0 when Load failed: no exception may cross the loader.
int HandleEntryNotification(std::uint32_t reason) noexcept;

}  // namespace Corvane
