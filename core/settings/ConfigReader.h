// The one reader of config.json's members. It reads the document into typed
// settings and, in the same pass, finds every problem: an error is a control
// that could not apply as written, a warning what would otherwise surface only
// at a player's first use. The load, an in-game reload and the dev host's
// check-config all read through it. Each member is read by its row of the
// member tables (MemberTable.h).
#pragma once

#include <filesystem>
#include <optional>
#include <vector>

#include "core/settings/ConfigFile.h"
#include "core/settings/ConfigProblem.h"
#include "core/settings/Settings.h"

namespace Corvane {

struct SettingsReading {
    // Whole only when no problem is an error.
    Settings settings;
    // Member by member, the members of an object in the JSON library's order.
    std::vector<ConfigProblem> problems;

    const ConfigProblem* FirstError() const;
    std::size_t Count(ConfigProblem::Severity severity) const;
};

// pluginFolder: where a relative "AuditLog" is taken from.
SettingsReading ReadSettings(const ConfigFile& file, const std::filesystem::path& pluginFolder);

// config.json of the server, read and checked as the load reads it; throws
// what ReadConfigFile throws.
SettingsReading ReadConfiguration();

// The error of an "AuditLog" that names configFile, the same file by any
// path; none when it names another.
std::optional<ConfigProblem> AuditLogNamesConfiguration(const Settings& settings,
                                                        const std::filesystem::path& configFile);

}  // namespace Corvane
