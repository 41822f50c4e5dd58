#include "core/CooldownRestore.h"

#include <algorithm>
#include <stdexcept>

#include "core/AuditEntry.h"
#include "core/AuditReader.h"
#include "core/CommandText.h"

namespace Corvane {
namespace {

Cooldowns::Clock::duration LongestCooldown(const Settings& settings) {
    Cooldowns::Clock::duration longest{};
    for (const auto& [name, command] : settings.commands) {
        longest = std::max(longest, command.cooldown);
    }
    return settings.others ? std::max(longest, settings.others->cooldown) : longest;
}

class Restorer {
public:
    Restorer(const Settings& settings, Cooldowns& cooldowns, std::chrono::system_clock::time_point now,
             Cooldowns::Clock::time_point steadyNow)
        : settings_(settings), cooldowns_(cooldowns), now_(now), steadyNow_(steadyNow) {}

    RestoredCooldowns Run() {
        const auto longest = LongestCooldown(settings_);
        if (!settings_.auditFile || longest <= Cooldowns::Clock::duration::zero()) {
            return restored_;
        }
        // A use at second t ran before t + 1: lines from before this ran out.
        // Seconds, not the clock's nanoseconds: a hostile line may name the
        // year 9999, which no nanosecond count holds.
        oldest_ = std::chrono::floor<std::chrono::seconds>(now_ - longest - std::chrono::seconds(1));
        for (const std::filesystem::path& file : AuditFilesNewestFirst(*settings_.auditFile)) {
            try {
                if (!ReadFile(file)) {
                    break;
                }
            } catch (const std::runtime_error& error) {
                restored_.unreadable = error.what();
                break;
            }
        }
        return restored_;
    }

private:
    // False once a line older than the window has been met.
    bool ReadFile(const std::filesystem::path& file) {
        BackwardLines lines(file);
        while (const auto line = lines.Previous()) {
            ++restored_.lines;
            const auto entry = ParseAuditEntry(*line);
            if (!entry) {
                ++restored_.skipped;
                continue;
            }
            if (entry->time < oldest_) {
                return false;
            }
            if (entry->outcome == "granted" && entry->action.empty()) {
                Restore(*entry);
            }
        }
        return true;
    }

    void Restore(const AuditEntry& entry) {
        // A line from the future (a clock set wrong) counts as a use just now.
        const auto time = std::min(entry.time, std::chrono::ceil<std::chrono::seconds>(now_));
        const std::string name = InnermostName(entry.command, settings_.wrappers);
        const CommandSettings* command = settings_.SettingsFor(name);
        if (command == nullptr || command->cooldown <= Cooldowns::Clock::duration::zero()) {
            return;
        }
        const auto ends = time + std::chrono::seconds(1) + command->cooldown;
        const auto left = std::chrono::duration_cast<Cooldowns::Clock::duration>(ends - now_);
        // Newest first: an older use of the same command ends no later.
        if (left > cooldowns_.Remaining(entry.steamId, name, steadyNow_)) {
            cooldowns_.Start(entry.steamId, name, left, steadyNow_);
            ++restored_.started;
        }
    }

    const Settings& settings_;
    Cooldowns& cooldowns_;
    const std::chrono::system_clock::time_point now_;
    const Cooldowns::Clock::time_point steadyNow_;
    std::chrono::sys_seconds oldest_;
    RestoredCooldowns restored_;
};

}  // namespace

RestoredCooldowns RestoreCooldowns(const Settings& settings, Cooldowns& cooldowns,
                                   std::chrono::system_clock::time_point now,
                                   Cooldowns::Clock::time_point steadyNow) {
    return Restorer(settings, cooldowns, now, steadyNow).Run();
}

}  // namespace Corvane
