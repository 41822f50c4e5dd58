// Every check of a configuration document, in one place: the plugin runs them
// at load (an error stops the load, a warning is logged), and the dev host's
// check-config reports them all before an operator deploys the file.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

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

// The problems of a document as read from config.json, member by member (the
// members of an object in the JSON library's order, by name).
std::vector<ConfigProblem> CheckConfigDocument(const nlohmann::json& document);

// "config.json: <position>: <description>", as the plugin's log shows it.
std::string DescribeForLog(const ConfigProblem& problem);

}  // namespace Corvane
