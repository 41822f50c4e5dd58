#include "core/history/CooldownRestore.h"

#include <algorithm>
#include <deque>
#include <set>
#include <stdexcept>
#include <vector>

#include "core/audit/BackwardLines.h"
#include "core/audit/RecordReading.h"
#include "core/audit/RecordWindow.h"
#include "core/settings/AuditPath.h"

namespace Corvane {
namespace {

namespace fs = std::filesystem;

class Restorer {
public:
    Restorer(const Settings& settings, Cooldowns& cooldowns, std::chrono::system_clock::time_point now,
             Cooldowns::Clock::time_point steadyNow)
        : settings_(settings), cooldowns_(cooldowns), now_(now), steadyNow_(steadyNow) {}

    RestoredCooldowns Run() {
        const RecordWindow window = WindowOf(settings_);
        if (!settings_.auditFile || window.length <= Cooldowns::Clock::duration::zero()) {
            return restored_;
        }
        // A use at second t ran before t + 1: lines from before this ran out.
        // Seconds, not the clock's nanoseconds: a hostile line may name the
        // year 9999, which no nanosecond count holds.
        const auto oldest =
            std::chrono::floor<std::chrono::seconds>(now_ - window.length - std::chrono::seconds(1));
        RecordReading reading(oldest, oldest - kRecordSlack, window.wrappers);
        ReadAll(reading, *settings_.auditFile);
        // Newest first: an older use of the same command ends no later.
        const std::vector<RecordedUses::Counted> uses = reading.Uses().Each();
        for (auto counted = uses.rbegin(); counted != uses.rend(); ++counted) {
            for (const RecordedUse& use : counted->said) {
                Restore(use);
            }
            restored_.uses += counted->times;
        }
        restored_.lines = reading.Lines();
        restored_.skipped = reading.Skipped();
        restored_.passedOver = reading.PassedOver();
        return restored_;
    }

private:
    // The file and its rotated ones, then each file a reload line names as
    // the one before it, with its rotated ones: each once.
    void ReadAll(RecordReading& reading, const fs::path& file) {
        std::deque<fs::path> pending{file};
        std::set<fs::path> seen{FileIdentity(file)};
        std::size_t followed = 0;
        while (!pending.empty()) {
            ReadWithRotated(reading, pending.front());
            pending.pop_front();
            for (; followed < reading.PreviousFiles().size(); ++followed) {
                const std::string& text = reading.PreviousFiles()[followed];
                const fs::path previous(std::u8string(text.begin(), text.end()));
                if (seen.insert(FileIdentity(previous)).second) {
                    pending.push_back(previous);
                }
            }
        }
    }

    void ReadWithRotated(RecordReading& reading, const fs::path& file) {
        for (const fs::path& each : AuditFilesNewestFirst(file)) {
            try {
                if (!reading.ReadBack(each)) {
                    return;
                }
            } catch (const std::runtime_error& error) {
                restored_.unreadable = error.what();
                return;
            }
        }
    }

    void Restore(const RecordedUse& use) {
        // A line from the future (a clock set wrong) counts as a use just now.
        const auto time = std::min(use.time, std::chrono::ceil<std::chrono::seconds>(now_));
        const std::string& name = use.names.back();
        const CommandSettings* command = settings_.SettingsFor(name);
        if (command == nullptr || command->cooldown <= Cooldowns::Clock::duration::zero()) {
            return;
        }
        const auto ends = time + std::chrono::seconds(1) + command->cooldown;
        const auto left = std::chrono::duration_cast<Cooldowns::Clock::duration>(ends - now_);
        if (left > cooldowns_.Remaining(use.steamId, name, steadyNow_)) {
            cooldowns_.Start(use.steamId, name, left, steadyNow_);
            ++restored_.started;
        }
    }

    const Settings& settings_;
    Cooldowns& cooldowns_;
    const std::chrono::system_clock::time_point now_;
    const Cooldowns::Clock::time_point steadyNow_;
    RestoredCooldowns restored_;
};

}  // namespace

RestoredCooldowns RestoreCooldowns(const Settings& settings, Cooldowns& cooldowns,
                                   std::chrono::system_clock::time_point now,
                                   Cooldowns::Clock::time_point steadyNow) {
    return Restorer(settings, cooldowns, now, steadyNow).Run();
}

}  // namespace Corvane
