// The operator's controls from config.json, beyond the messages and the
// PrintToChat switch: the audit file, the deny list and the per-command
// settings. All are optional; without them the gate behaves as it always has.
//
// They are read once at load, after the checks of ConfigCheck.h found no
// error, and kept process-wide until the next load.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

#include <nlohmann/json.hpp>

namespace Corvane {

// Who sees the announcement of a granted use.
enum class Announce {
    All,     // every player, in yellow
    None,    // nobody
    Admins,  // the connected players holding Corvane.SeeAnnouncements
};

struct CommandSettings {
    double cooldownSeconds = 0;
    // When set, decides instead of PrintToChat.
    std::optional<Announce> announce;
};

class Controls {
public:
    // Names are console names (CommandText.h); the document must have passed
    // the checks without an error.
    static Controls FromDocument(const nlohmann::json& document);

    // "AuditLog" as written (UTF-8); empty when there is no audit file.
    const std::string& AuditLog() const { return auditLog_; }
    bool Denies(const std::string& name) const { return deny_.contains(name); }
    // The entry for name, or else the "*" entry; null when neither exists
    // and for the empty name.
    const CommandSettings* SettingsFor(const std::string& name) const;

private:
    std::string auditLog_;
    std::set<std::string> deny_;
    std::map<std::string, CommandSettings> commands_;
    std::optional<CommandSettings> others_;
};

// The controls of the current load.
Controls& LoadedControls();

// Checks the configuration document just read: logs each warning through
// PluginLog, throws std::invalid_argument naming the member of the first
// error, and otherwise makes its controls the loaded ones.
void ApplyControls(const nlohmann::json& document);

// The announcement mode a configured word names, if it names one.
std::optional<Announce> AnnounceFromWord(const std::string& word);

}  // namespace Corvane
