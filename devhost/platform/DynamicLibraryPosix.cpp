// POSIX: the operating system has no load notifications for libraries, so the
// host delivers them itself to the plugin's exported entry, with the same
// (module handle, reason, reserved) shape and result as on Windows.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>

#include "devhost/platform/DynamicLibrary.h"
#include "host/EntryNotification.h"

namespace DevHost::Platform {
namespace {

PluginEntry EntryOf(void* plugin) {
    return reinterpret_cast<PluginEntry>(dlsym(plugin, "DllMain"));
}

}  // namespace

void* OpenLibrary(const std::string& path, std::string& error) {
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        error = dlerror();
    }
    return library;
}

void* FindSymbol(void* library, const char* name) {
    return dlsym(library, name);
}

void CloseLibrary(void* library) {
    dlclose(library);
}

bool LibraryIsLoaded(const std::string& path) {
    void* library = dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (library != nullptr) {
        dlclose(library);
    }
    return library != nullptr;
}

void* LoadPlugin(const std::string& path, std::string& error) {
    void* plugin = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (plugin == nullptr) {
        error = dlerror();
        return nullptr;
    }
    const PluginEntry entry = EntryOf(plugin);
    if (entry == nullptr) {
        error = path + " has no entry notification";
        dlclose(plugin);
        return nullptr;
    }
    if (entry(plugin, EntryNotification::ProcessAttach, nullptr) == 0) {
        entry(plugin, EntryNotification::ProcessDetach, nullptr);
        dlclose(plugin);
        error = "the plugin's attach notification failed";
        return nullptr;
    }
    return plugin;
}

void NotifyThread(void* plugin, std::uint32_t reason) {
    EntryOf(plugin)(plugin, reason, nullptr);
}

void UnloadPlugin(void* plugin) {
    EntryOf(plugin)(plugin, EntryNotification::ProcessDetach, nullptr);
    dlclose(plugin);
}

std::string ExecutableDirectory() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (length <= 0) {
        return ".";
    }
    std::string result(path, static_cast<std::size_t>(length));
    return result.substr(0, result.find_last_of('/'));
}

}  // namespace DevHost::Platform
