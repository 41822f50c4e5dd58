#include "core/settings/ConfigReader.h"

#include <fmt/format.h>

#include <algorithm>
#include <set>

#include "core/settings/ConfigReading.h"
#include "core/settings/ConfigSchema.h"
#include "core/settings/MessageLookups.h"
#include "core/settings/TopMembers.h"

namespace Corvane {
namespace {

using nlohmann::json;
using Severity = ConfigProblem::Severity;

void CheckTrailingText(ConfigReading& reading) {
    if (reading.file.trailingText) {
        reading.Add(Severity::Warning, "",
                    fmt::format("text after the first JSON value, from byte {} on, is ignored",
                                *reading.file.trailingText));
    }
}

void CheckRepeated(ConfigReading& reading) {
    std::set<std::string> told;
    for (const std::string& pointer : reading.file.repeated) {
        if (!told.insert(pointer).second) {
            continue;
        }
        // The messages and the switch, written twice: the last one wins, as
        // the JSON library has always read them. A control written twice is
        // one the plugin can't tell the meaning of.
        const std::string top = pointer.substr(1, pointer.find('/', 1) - 1);
        if (IsControl(ConfigLevel::Top, top)) {
            reading.Add(Severity::Error, pointer,
                        "is written more than once, so which one applies can't be told");
        } else if (IsKnownMember(ConfigLevel::Top, top)) {
            reading.Add(Severity::Warning, pointer, "is written more than once: the last one is used");
        }
    }
}

}  // namespace

const ConfigProblem* SettingsReading::FirstError() const {
    const auto error = std::find_if(problems.begin(), problems.end(), [](const ConfigProblem& problem) {
        return problem.severity == Severity::Error;
    });
    return error == problems.end() ? nullptr : &*error;
}

std::size_t SettingsReading::Count(ConfigProblem::Severity severity) const {
    return static_cast<std::size_t>(
        std::count_if(problems.begin(), problems.end(),
                      [&](const ConfigProblem& problem) { return problem.severity == severity; }));
}

SettingsReading ReadSettings(const ConfigFile& file, const std::filesystem::path& pluginFolder) {
    ConfigReading reading(file, pluginFolder);
    Settings settings;
    json lookups = file.document;
    LookUpMessagesAndSwitch(lookups, settings);
    CheckTrailingText(reading);
    CheckRepeated(reading);
    if (file.document.is_object()) {
        ReadInTableOrder(reading, TopLevel(), "", file.document, settings);
    } else {
        reading.Add(Severity::Warning, "",
                    "the file holds " + WithArticle(file.document) +
                        ", not an object: every use of /cheat would fail");
    }
    return {std::move(settings), reading.TakeProblems()};
}

SettingsReading ReadConfiguration() {
    return ReadSettings(ReadConfigFile(ConfigFilePath()), PluginFolder());
}

std::optional<ConfigProblem> AuditLogNamesConfiguration(const Settings& settings,
                                                        const std::filesystem::path& configFile) {
    const auto& file = settings.auditFile;
    std::error_code ignored;
    if (!file || (file->lexically_normal() != configFile.lexically_normal() &&
                  !std::filesystem::equivalent(*file, configFile, ignored))) {
        return std::nullopt;
    }
    return ConfigProblem{Severity::Error, "/AuditLog",
                         "names the configuration file: a player's audit line would be read as the "
                         "configuration at the next load"};
}

}  // namespace Corvane
