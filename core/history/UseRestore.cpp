#include "core/history/UseRestore.h"

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
    Restorer(const Settings& settings, UseHistory& history, std::chrono::system_clock::time_point now,
             UseHistory::Clock::time_point steadyNow, MergedUses* merged)
        : settings_(settings), history_(history), now_(now), steadyNow_(steadyNow), merged_(merged) {}

    RestoredUses Run() {
        const RecordWindow window = WindowOf(settings_);
        history_ = UseHistory(ReachOf(settings_));
        if (!settings_.auditFile || window.length <= UseHistory::Clock::duration::zero()) {
            return restored_;
        }
        const std::chrono::sys_seconds oldest = OldestWithin(now_, window.length);
        RecordReading reading(oldest, oldest - kRecordSlack, window.wrappers);
        ReadAll(reading, *settings_.auditFile);
        for (const RecordedUses::Counted& counted : reading.Unforgiven()) {
            // Lines that disagree on what one use was (none of ours) each count.
            for (std::size_t each = 0; each < counted.said.size() + counted.times - 1; ++each) {
                const RecordedUse& use = counted.said[std::min(each, counted.said.size() - 1)];
                history_.Add(use.steamId, use.names.back(), ArrivalTime(use.time, now_, steadyNow_));
                ++restored_.added;
            }
            restored_.uses += counted.times;
        }
        Note(reading);
        restored_.forgiven = reading.Forgiven();
        restored_.lines = reading.Lines();
        restored_.skipped = reading.Skipped();
        restored_.passedOver = reading.PassedOver();
        return restored_;
    }

private:
    void Note(const RecordReading& reading) {
        if (merged_ == nullptr) {
            return;
        }
        for (const RecordedUses::Counted& counted : reading.Each()) {
            for (std::size_t each = 0; each < counted.times; ++each) {
                merged_->Local(counted.hash, counted.said[0].time);
            }
        }
        const std::string own = settings_.cluster ? settings_.cluster->server : std::string();
        for (const RecordedForgive& forgive : reading.Forgives()) {
            merged_->Forgave({forgive.time, forgive.forgiven, forgive.name, forgive.server.value_or(own)});
        }
    }

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

    const Settings& settings_;
    UseHistory& history_;
    const std::chrono::system_clock::time_point now_;
    const UseHistory::Clock::time_point steadyNow_;
    MergedUses* merged_;
    RestoredUses restored_;
};

}  // namespace

UseHistory::Reach ReachOf(const Settings& settings) {
    const RecordWindow window = WindowOf(settings);
    return {window.length, window.uses};
}

RestoredUses RestoreUses(const Settings& settings, UseHistory& history,
                         std::chrono::system_clock::time_point now, UseHistory::Clock::time_point steadyNow,
                         MergedUses* merged) {
    return Restorer(settings, history, now, steadyNow, merged).Run();
}

}  // namespace Corvane
