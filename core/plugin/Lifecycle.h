// The plugin's load and unload sequences, and the entry notification that runs them.
#pragma once

#include <cstdint>

namespace Corvane {

// Creates the logger, reads and checks config.json (a failure is logged and
// rethrown, and nothing is registered; warnings are logged), makes the plugin
// state, then registers /cheat and /corvane.
void Load();

// Unregisters the chat commands and destroys the plugin state, whatever the
// framework answers. The logger stays until the process ends.
void Unload();

// The operating system's notification: 1 runs Load, 0 runs Unload, 2 and 3 do
// nothing. At process exit (processExiting, the detach of a process that is
// ending) nothing is done: the framework may already be gone. Returns 0 when
// Load failed: no exception may cross the loader.
int HandleEntryNotification(std::uint32_t reason, bool processExiting = false) noexcept;

}  // namespace Corvane
