#include "Lifecycle.h"

#include <exception>
#include <string_view>

#include "CheatCommand.h"
#include "Config.h"
#include "EntryNotification.h"
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
    try {
        if (reason == EntryNotification::ProcessAttach) {
            Load();
        } else if (reason == EntryNotification::ProcessDetach) {
            Unload();
        }
    } catch (...) {
        // Load has logged what it could; the loader learns of the failure from the result.
        return 0;
    }
    return 1;
}
