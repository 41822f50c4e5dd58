#include "devhost/app/Replay.h"

#include <stdexcept>

#include "core/AuditEntry.h"
#include "core/AuditPath.h"
#include "core/ConfigProblem.h"
#include "core/SettingsReader.h"
#include "devhost/app/ForwardLines.h"
#include "devhost/app/RecordFiles.h"
#include "devhost/app/ReplayReport.h"
#include "devhost/app/Replayer.h"

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

void ReplayFile(const std::filesystem::path& file, Replayer& replayer, ReplayReport& report) {
    ForwardLines lines(file);
    while (const auto line = lines.Next()) {
        const auto entry = Corvane::ParseAuditEntry(*line);
        if (entry && !entry->action.empty()) {
            report.PassOver();
            continue;
        }
        const auto now = entry && IsDecisionOutcome(entry->outcome) ? ReplayTime(entry->time) : std::nullopt;
        if (!now) {
            report.Skip();
            continue;
        }
        report.Add(*entry, replayer.Replay(*entry, *now));
    }
}

}  // namespace

int Replay(const ReplayRequest& request, std::ostream& out, std::ostream& errors) {
    try {
        const Corvane::Settings settings = NewSettings(request.config);
        const std::vector<RecordFile> files = RecordFiles(request.files);
        Replayer replayer(settings);
        ReplayReport report(out, request.json);
        for (const RecordFile& file : files) {
            ReplayFile(file.path, replayer, report);
        }
        report.Finish();
        return report.AnyChange() ? 1 : 0;
    } catch (const std::runtime_error& error) {
        errors << "corvane-devhost: " << error.what() << std::endl;
        return 2;
    }
}

}  // namespace DevHost
