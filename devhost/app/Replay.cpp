#include "devhost/app/Replay.h"

#include <set>
#include <stdexcept>

#include "core/AuditEntry.h"
#include "core/AuditPath.h"
#include "core/AuditReader.h"
#include "core/ConfigProblem.h"
#include "core/SettingsReader.h"
#include "devhost/app/ForwardLines.h"
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

// Every file to read, oldest first: each one named after its rotated files.
// A file comes once, at its last place: "CheatAudit*.jsonl" names the rotated
// files before the one that brings them in order.
std::vector<std::filesystem::path> RecordFiles(const std::vector<std::filesystem::path>& named) {
    std::vector<std::filesystem::path> files;
    for (const std::filesystem::path& file : named) {
        std::error_code ignored;
        if (!std::filesystem::is_regular_file(file, ignored)) {
            throw std::runtime_error("no audit file " + Corvane::PathText(file));
        }
        std::vector<std::filesystem::path> rotated = Corvane::AuditFilesNewestFirst(file);
        files.insert(files.end(), rotated.rbegin(), rotated.rend());
    }
    std::vector<std::filesystem::path> once;
    std::set<std::filesystem::path> seen;
    for (auto file = files.rbegin(); file != files.rend(); ++file) {
        if (seen.insert(std::filesystem::weakly_canonical(*file)).second) {
            once.insert(once.begin(), *file);
        }
    }
    return once;
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
        const std::vector<std::filesystem::path> files = RecordFiles(request.files);
        Replayer replayer(settings);
        ReplayReport report(out, request.json);
        for (const std::filesystem::path& file : files) {
            ReplayFile(file, replayer, report);
        }
        report.Finish();
        return report.AnyChange() ? 1 : 0;
    } catch (const std::runtime_error& error) {
        errors << "corvane-devhost: " << error.what() << std::endl;
        return 2;
    }
}

}  // namespace DevHost
