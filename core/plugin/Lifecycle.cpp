#include "core/plugin/Lifecycle.h"

#include <chrono>
#include <exception>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string_view>

#include <fmt/format.h>

#include "core/gate/PluginState.h"
#include "core/history/UseRestore.h"
#include "core/plugin/ChatCommands.h"
#include "core/settings/AuditPath.h"
#include "core/settings/ConfigReader.h"
#include "core/text/PluginLog.h"
#include "engine/WideText.h"
#include "host/EntryNotification.h"

namespace Corvane {
namespace {

void LogRestore(const RestoredUses& restored) {
    if (!restored.unreadable.empty()) {
        PluginLog()->warn("{}: uses from before this load are not restored",
                          Engine::EscapeForLog(restored.unreadable));
    }
    if (restored.skipped != 0) {
        PluginLog()->warn("{} line{} of the audit record could not be read and {} passed over",
                          restored.skipped, restored.skipped == 1 ? "" : "s",
                          restored.skipped == 1 ? "was" : "were");
    }
}

std::string Counted(std::size_t count, const char* thing, const char* things) {
    return fmt::format("{} {}", count, count == 1 ? thing : things);
}

// The controls in force, in a few words.
std::string Controls(const Settings& settings) {
    std::string audit = "no audit file";
    if (settings.auditFile) {
        const std::filesystem::path inFolder = settings.auditFile->lexically_relative(PluginFolder());
        const bool inside = !inFolder.empty() && *inFolder.begin() != "..";
        audit =
            "audit file " + Engine::EscapeForLog(PathText(inside ? inFolder : *settings.auditFile)) +
            (settings.auditRotate ? fmt::format(", rotated at {} bytes keeping {}",
                                                settings.auditRotate->maxBytes, settings.auditRotate->keep)
                                  : ", not rotated");
    }
    std::size_t cooling = 0;
    std::size_t limited = 0;
    std::size_t tiered = 0;
    std::size_t ruled = 0;
    const auto count = [&](const CommandSettings& command) {
        cooling += command.cooldown > UseHistory::Clock::duration::zero() ? 1 : 0;
        limited += command.maxUses ? 1 : 0;
        tiered += command.tiers.empty() ? 0 : 1;
        ruled += command.rules.Any() ? 1 : 0;
    };
    for (const auto& [name, command] : settings.commands) {
        count(command);
    }
    if (settings.others) {
        count(*settings.others);
    }
    const std::size_t entries = settings.commands.size() + (settings.others ? 1 : 0);
    return fmt::format(
        "{}; {}; {}; {}", audit,
        settings.deny.empty() ? "no deny list"
                              : "deny list of " + Counted(settings.deny.size(), "name", "names"),
        settings.wrappers.empty() ? "no wrappers" : Counted(settings.wrappers.size(), "wrapper", "wrappers"),
        entries == 0
            ? "no command entries"
            : fmt::format(
                  "{}, {} with a cooldown, {} with a use limit, {} with tiers, {} with argument rules",
                  Counted(entries, "command entry", "command entries"), cooling, limited, tiered, ruled));
}

// The one line of a load that went through: what was read, and what is in force.
void LogLoaded(const PluginState& state, const RestoredUses& restored) {
    std::string cluster;
    if (state.feed) {
        const FeedCounts& counts = state.feed->Counts();
        cluster = fmt::format("; server {} of a cluster: {} from {} of its feed, {} skipped",
                              state.feed->Settings().server, Counted(counts.added, "use", "uses"),
                              Counted(counts.lines, "line", "lines"), counts.skipped);
    }
    PluginLog()->info("Loaded {}: {}; {} restored from {}{}", kConfigFileInServer, Controls(*state.settings),
                      Counted(restored.added, "use", "uses"),
                      Counted(restored.lines, "audit line", "audit lines"), cluster);
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
    const RestoredUses restored = state->Restore();
    LogRestore(restored);
    LogLoaded(*state, restored);
    state->CheckFeed();
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
