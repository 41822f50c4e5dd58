#include "core/Lifecycle.h"

#include <exception>
#include <string_view>

#include "core/CheatCommand.h"
#include "core/Config.h"
#include "core/Controls.h"
#include "core/Cooldowns.h"
#include "core/PermissionsPlugin.h"
#include "core/PluginLog.h"
#include "host/EntryNotification.h"

namespace Corvane {

void Load() {
    CreatePluginLog();
    try {
        Config::ReadAtLoad();
        ApplyControls(Config::Document());
    } catch (const std::exception& error) {
        PluginLog()->error(std::string_view(error.what()));
        throw;
    }
    RegisterCheatCommand();
}

void Unload() {
    // The plugin's own state goes whatever the framework does with the command.
    struct LetGo {
        ~LetGo() {
            TheCooldowns().Clear();
            PermissionsPlugin::Release();
        }
    } letGo;
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

}  // namespace Corvane
