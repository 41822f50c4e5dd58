#include "Lifecycle.h"

#include <exception>
#include <string_view>

#include "CheatCommand.h"
#include "Config.h"
#include "PluginLog.h"

void Load() {
    CreatePluginLog();
    try {
        Config::ReadAtLoad();
    } catch (const std::exception& error) {
        PluginLog()->error(std::string_view(error.what()));
        throw;
    }
    RegisterCheatCommand();
}

void Unload() {
    UnregisterCheatCommand();
}

int HandleEntryNotification(std::uint32_t reason) noexcept {
    constexpr std::uint32_t kProcessDetach = 0;
    constexpr std::uint32_t kProcessAttach = 1;
    try {
        if (reason == kProcessAttach) {
            Load();
        } else if (reason == kProcessDetach) {
            Unload();
        }
    } catch (...) {
        // Load has logged what it could; the loader learns of the failure from the result.
        return 0;
    }
    return 1;
}
