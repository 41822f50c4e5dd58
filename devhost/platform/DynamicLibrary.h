// The stand-in host's platform layer: loading libraries and the plugin as the
// operating system would, and finding the programs' own directory.
#pragma once

#include <cstdint>
#include <string>

namespace DevHost::Platform {

// The plugin's entry notification: (module handle, reason, reserved) -> success.
using PluginEntry = int (*)(void* module, std::uint32_t reason, void* reserved);

// A library loaded by its path, or null with error set.
void* OpenLibrary(const std::string& path, std::string& error);
// The address a library exports under name, or null.
void* FindSymbol(void* library, const char* name);
void CloseLibrary(void* library);
// Whether the library at path is in the process, whoever loaded it.
bool LibraryIsLoaded(const std::string& path);

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
