// What check-config's preview types to try the argument rules of a file: for
// every command with rules, a line that every rule lets through, and for each
// rule a line that only it turns away. The arguments are found by trying
// candidates against the plugin's own reading of numbers and patterns.
#pragma once

#include <string>
#include <vector>

#include "core/settings/Settings.h"

namespace DevHost {

struct RuleTrial {
    std::string line;  // the chat line, "/cheat giveitem 12 50"
    // Argument permissions to grant the player first, for the line to pass.
    std::vector<std::string> grants;
    // The rule the line must fail, as its JSON pointer; empty for the line
    // that passes every rule.
    std::string fails;
};

// The commands' own names (UTF-8), in order; a command none of whose
// arguments can be made to pass gets no trials.
std::vector<RuleTrial> RuleTrials(const Corvane::Settings& settings);

}  // namespace DevHost
