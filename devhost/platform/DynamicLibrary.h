// The stand-in host's platform layer: loading the plugin as the operating
// system would, and finding the programs' own directory.
#pragma once

#include <cstdint>
#include <string>

namespace DevHost::Platform {

// Loads the library at path and delivers the process-attach notification to
// its entry. When the attach fails, the detach notification is delivered and
// the library unloaded, as the operating system does; the result is then null
// and error says why.
void* LoadPlugin(const std::string& path, std::string& error);

// Delivers the thread attach (2) or detach (3) notification.
void NotifyThread(void* plugin, std::uint32_t reason);

// Delivers the process-detach notification and unloads the library.
void UnloadPlugin(void* plugin);

// Directory of the running program, without a trailing separator.
std::string ExecutableDirectory();

}  // namespace DevHost::Platform
