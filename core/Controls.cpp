#include "core/Controls.h"

#include <stdexcept>
#include <string_view>

#include "core/CommandText.h"
#include "core/ConfigCheck.h"
#include "core/PluginLog.h"

namespace Corvane {
namespace {

CommandSettings SettingsOf(const nlohmann::json& entry) {
    CommandSettings settings;
    if (const auto cooldown = entry.find("Cooldown"); cooldown != entry.end()) {
        settings.cooldownSeconds = cooldown->get<double>();
    }
    if (const auto announce = entry.find("Announce"); announce != entry.end()) {
        settings.announce = AnnounceFromWord(announce->get<std::string>());
    }
    return settings;
}

}  // namespace

std::optional<Announce> AnnounceFromWord(const std::string& word) {
    if (word == "all") {
        return Announce::All;
    }
    if (word == "none") {
        return Announce::None;
    }
    if (word == "admins") {
        return Announce::Admins;
    }
    return std::nullopt;
}

Controls Controls::FromDocument(const nlohmann::json& document) {
    Controls controls;
    if (!document.is_object()) {
        return controls;
    }
    if (const auto audit = document.find("AuditLog"); audit != document.end()) {
        controls.auditLog_ = audit->get<std::string>();
    }
    if (const auto deny = document.find("Deny"); deny != document.end()) {
        for (const auto& name : *deny) {
            controls.deny_.insert(ConfiguredName(name.get<std::string>()));
        }
    }
    if (const auto commands = document.find("Commands"); commands != document.end()) {
        for (const auto& [key, entry] : commands->items()) {
            if (key == "*") {
                controls.others_ = SettingsOf(entry);
            } else {
                controls.commands_[ConfiguredName(key)] = SettingsOf(entry);
            }
        }
    }
    // A name that can never be read off a command is kept as the empty name,
    // which no command has.
    controls.deny_.erase("");
    controls.commands_.erase("");
    return controls;
}

const CommandSettings* Controls::SettingsFor(const std::string& name) const {
    // A text whose name the console can't read (";x") is no command to hold
    // back or announce apart; it would otherwise share one cooldown with every other.
    if (name.empty()) {
        return nullptr;
    }
    if (const auto found = commands_.find(name); found != commands_.end()) {
        return &found->second;
    }
    return others_ ? &*others_ : nullptr;
}

Controls& LoadedControls() {
    static Controls controls;
    return controls;
}

void ApplyControls(const nlohmann::json& document) {
    const std::vector<ConfigProblem> problems = CheckConfigDocument(document);
    for (const ConfigProblem& problem : problems) {
        if (problem.severity == ConfigProblem::Severity::Error) {
            throw std::invalid_argument(DescribeForLog(problem));
        }
    }
    for (const ConfigProblem& problem : problems) {
        if (problem.severity == ConfigProblem::Severity::Warning) {
            PluginLog()->warn(std::string_view(DescribeForLog(problem)));
        }
    }
    LoadedControls() = Controls::FromDocument(document);
}

}  // namespace Corvane
