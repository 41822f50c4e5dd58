#include "devhost/replay/ReplayCommand.h"

#include <stdexcept>

#include "core/audit/AuditEntry.h"
#include "core/audit/ForwardLines.h"
#include "core/audit/Outcomes.h"
#include "core/audit/RecordedUses.h"
#include "core/settings/AuditPath.h"
#include "core/settings/ConfigProblem.h"
#include "core/settings/ConfigReader.h"
#include "devhost/replay/RecordFiles.h"
#include "devhost/replay/ReplayReport.h"
#include "devhost/replay/Replayer.h"

namespace DevHost {
namespace {

// The new configuration, read by the plugin's own reader; any error in it stops the replay.
Corvane::Settings NewSettings(const std::filesystem::path& file) {
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(file, ignored)) {
        throw std::runtime_error("no configuration file " + Corvane::PathText(file));
    }
    Corvane::ConfigFile read;
    try {
        read = Corvane::ReadConfigFile(file);
    } catch (const std::exception& error) {
        throw std::runtime_error("can't read the configuration " + Corvane::PathText(file) + ": " +
                                 error.what());
    }
    Corvane::SettingsReading reading = Corvane::ReadSettings(read, file.parent_path());
    if (const Corvane::ConfigProblem* problem = reading.FirstError()) {
        throw std::runtime_error("the configuration " + Corvane::PathText(file) + " can't be used: " +
                                 Corvane::EscapedProblem(problem->position, problem->description));
    }
    return std::move(reading.settings);
}

// What the record holds, read oldest first: decisions to replay, and lines
// passed over, each counted under its action, or its outcome when replay does
// not know it (a line of a later version).
class RecordReader {
public:
    RecordReader(Replayer& replayer, ReplayReport& report) : replayer_(replayer), report_(report) {}

    void Read(const std::filesystem::path& file) {
        Corvane::ForwardLines lines(file);
        while (const auto line = lines.Next()) {
            ReadLine(*line);
        }
        ++files_;
    }

private:
    void ReadLine(std::string_view line) {
        const auto entry = Corvane::ParseAuditEntry(line);
        if (!entry) {
            report_.Skip();
            return;
        }
        const auto now = ReplayTime(entry->time);
        if (!entry->action.empty()) {
            if (now) {
                Remembered(line, *entry);
            }
            report_.PassOver(entry->action);
            return;
        }
        if (!Corvane::IsDecisionOutcome(entry->outcome)) {
            report_.PassOver(entry->outcome);
            return;
        }
        if (!now) {
            report_.Skip();
            return;
        }
        if (entry->outcome == "granted") {
            uses_.Original(Corvane::LineHash(line));
        }
        report_.Add(*entry, replayer_.Replay(*entry, *now));
    }

    // A forgive line, and a carried line whose original is not among those
    // read (each counts once, with its original).
    void Remembered(std::string_view line, const Corvane::AuditEntry& entry) {
        const bool forgive = entry.outcome == "forgiven" && entry.forgiven;
        if (entry.action == "forgive" && forgive) {
            uses_.Original(Corvane::LineHash(line));
            replayer_.Forgive(*entry.forgiven, entry.forgivenName.value_or(""));
            return;
        }
        const auto carries = entry.carries ? Corvane::ParseHash(*entry.carries) : std::nullopt;
        if (entry.action != "carried" || !carries || !uses_.Carried(*carries, files_)) {
            return;
        }
        if (forgive) {
            replayer_.Forgive(*entry.forgiven, entry.forgivenName.value_or(""));
        } else if (entry.outcome == "granted" && entry.names) {
            replayer_.Carried(entry.steamId, entry.names->back(), entry.time);
        }
    }

    Replayer& replayer_;
    ReplayReport& report_;
    Corvane::CountOnce uses_;
    std::size_t files_ = 0;
};

}  // namespace

int Replay(const ReplayRequest& request, std::ostream& out, std::ostream& errors) {
    try {
        const Corvane::Settings settings = NewSettings(request.config);
        const std::vector<RecordFile> files = RecordFiles(request.files);
        Replayer replayer(settings);
        ReplayReport report(out, request.json);
        RecordReader record(replayer, report);
        for (const RecordFile& file : files) {
            record.Read(file.path);
        }
        report.Finish();
        return report.AnyChange() ? 1 : 0;
    } catch (const std::runtime_error& error) {
        errors << "corvane-devhost: " << error.what() << std::endl;
        return 2;
    }
}

}  // namespace DevHost
