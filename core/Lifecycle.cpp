#include "core/Lifecycle.h"

#include <chrono>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string_view>

#include "core/ChatCommands.h"
#include "core/CooldownRestore.h"
#include "core/PluginLog.h"
#include "core/PluginState.h"
#include "core/SettingsReader.h"
#include "engine/WideText.h"
#include "host/EntryNotification.h"

namespace Corvane {
namespace {

void LogRestore(const RestoredCooldowns& restored) {
    if (!restored.unreadable.empty()) {
        PluginLog()->warn("{}: cooldowns from before this load are not restored",
                          Engine::EscapeForLog(restored.unreadable));
    }
    if (restored.skipped != 0) {
        PluginLog()->warn("{} line{} of the audit record could not be read and {} passed over",
                          restored.skipped, restored.skipped == 1 ? "" : "s",
                          restored.skipped == 1 ? "was" : "were");
    }
}

// Throws what reading throws, or std::invalid_argument naming the member of
// the first error; logs every warning.
std::unique_ptr<PluginState> MakeState() {
    SettingsReading reading = ReadConfiguration();
    if (const ConfigProblem* error = reading.FirstError()) {
        throw std::invalid_argument(DescribeForLog(*error));
    }
    CheckAuditFileWritable(reading);
    for (const ConfigProblem& problem : reading.problems) {
        if (problem.severity == ConfigProblem::Severity::Warning) {
            PluginLog()->warn(std::string_view(DescribeForLog(problem)));
        }
    }
    auto state = std::make_unique<PluginState>(std::move(reading.settings));
    LogRestore(RestoreCooldowns(*state->settings, state->cooldowns, std::chrono::system_clock::now(),
                                Cooldowns::Clock::now()));
    return state;
}

// At unload: the counts flood control holds would be lost otherwise.
void WriteLastSummaries() {
    try {
        if (PluginState* state = CurrentState()) {
            state->WriteLastSummaries();
        }
    } catch (const std::exception& error) {
        PluginLog()->error(std::string_view(Engine::EscapeForLog(error.what())));
    }
}

}  // namespace

void Load() {
    CreatePluginLog();
    std::unique_ptr<PluginState> state;
    try {
        state = MakeState();
    } catch (const std::exception& error) {
        PluginLog()->error(std::string_view(error.what()));
        throw;
    }
    InstallState(std::move(state));
    try {
        RegisterChatCommands();
    } catch (...) {
        DestroyState();
        throw;
    }
}

void Unload() {
    struct Destroy {
        ~Destroy() { DestroyState(); }
    } destroy;
    UnregisterChatCommands();
    WriteLastSummaries();
}

int HandleEntryNotification(std::uint32_t reason, bool processExiting) noexcept {
    try {
        if (reason == EntryNotification::ProcessAttach) {
            Load();
        } else if (reason == EntryNotification::ProcessDetach && !processExiting) {
            Unload();
        }
    } catch (...) {
        // Load has logged what it could; the loader learns of the failure from the result.
        return 0;
    }
    return 1;
}

}  // namespace Corvane
