// A problem found in config.json: where it is and what it means for players.
// The reader (ConfigReader.h) finds them; the load logs them, and the dev
// host's check-config prints them.
#pragma once

#include <string>

namespace Corvane {

struct ConfigProblem {
    enum class Severity {
        Error,    // a control that could not apply as written: the plugin does not load
        Warning,  // what would otherwise surface only at a player's first use: logged at load
        Note,     // worth knowing before deploying; the plugin says nothing of it
    };
    Severity severity;
    // The JSON pointer of the member ("/Commands/fly/Cooldown"); empty for the document.
    std::string position;
    std::string description;
};

// "<position>: <description>" (no position, no colon), escaped as the
// plugin's log writes it: names and words come from the operator's file.
std::string EscapedProblem(const std::string& position, const std::string& description);

// "config.json: <position>: <description>", as the plugin's log shows it.
std::string DescribeForLog(const ConfigProblem& problem);

}  // namespace Corvane
