#include "devhost/checkconfig/RuleTrials.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <optional>

#include "engine/WideText.h"

namespace DevHost {
namespace {

using Corvane::ArgumentRule;

WideString Wide(const std::string& ascii) {
    return WideString(ascii.begin(), ascii.end());
}

// A bound written as a decimal number, as a player would type it.
std::string Decimal(double value) {
    std::string text = fmt::format("{:.6f}", value);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') {
        text.pop_back();
    }
    return text;
}

// Arguments that could pass a rule: numbers at and within its bounds, and
// each pattern with its wildcards filled in.
std::vector<std::string> Candidates(const ArgumentRule& rule) {
    std::vector<std::string> candidates{"1", "0", "wolf"};
    for (const auto bound : {rule.min, rule.max}) {
        if (bound) {
            candidates.push_back(Decimal(*bound));
            candidates.push_back(Decimal(std::ceil(*bound)));
            candidates.push_back(Decimal(std::floor(*bound)));
        }
    }
    for (const WideString& pattern : rule.allow) {
        for (const char fill : {'1', 'a'}) {
            std::string filled;
            for (const WideChar c : pattern) {
                filled += c == '*' || c == '?' ? fill : static_cast<char>(c < 0x80 ? c : '?');
            }
            candidates.push_back(filled);
        }
    }
    return candidates;
}

std::optional<std::string> Passing(const ArgumentRule& rule, const std::string& other = {}) {
    for (const std::string& candidate : Candidates(rule)) {
        const WideString wide = Wide(candidate);
        if (candidate != other && !candidate.empty() &&
            candidate.find_first_of(" \"\\") == std::string::npos &&
            Corvane::CheckArgument(rule, wide) == Corvane::RuleMiss::None &&
            (!rule.permission || Corvane::IsAskable(wide))) {
            return candidate;
        }
    }
    return std::nullopt;
}

// Arguments that fail the rule, each with the member of the rule it fails:
// one for its bounds, its patterns or else its permission, and one more
// without a whole number.
std::vector<std::pair<std::string, std::string>> Failing(const ArgumentRule& rule,
                                                         const std::string& passing) {
    std::vector<std::pair<std::string, std::string>> failing;
    if (rule.min || rule.max) {
        // A whole number beyond the bound, for a rule that asks for one.
        const std::string value = rule.min ? Decimal((rule.whole ? std::ceil(*rule.min) : *rule.min) - 1)
                                           : Decimal((rule.whole ? std::floor(*rule.max) : *rule.max) + 1);
        failing.emplace_back(value, rule.pointer + (rule.min ? "/Min" : "/Max"));
    } else if (!rule.allow.empty()) {
        failing.emplace_back("zz-none-of-these", rule.pointer + "/Allow");
    } else if (rule.permission) {
        if (const auto other = Passing(rule, passing)) {
            failing.emplace_back(*other, rule.pointer + "/Permission");
        }
    }
    if (rule.whole) {
        failing.emplace_back(passing + ".5", rule.pointer + "/Whole");
    }
    return failing;
}

std::string Line(const std::string& name, const std::vector<std::string>& arguments) {
    std::string line = "/cheat " + name;
    for (const std::string& argument : arguments) {
        line += " " + argument;
    }
    return line;
}

void AddTrials(const std::string& name, const Corvane::ArgumentRules& rules, std::vector<RuleTrial>& trials) {
    std::vector<std::string> arguments;
    RuleTrial passing;
    for (const auto& rule : rules.arguments) {
        const auto argument = rule ? Passing(*rule) : std::optional<std::string>("x");
        if (!argument) {
            return;
        }
        arguments.push_back(*argument);
        if (rule && rule->permission) {
            passing.grants.push_back("Cheat." + name + "." + *argument);
        }
    }
    passing.line = Line(name, arguments);
    trials.push_back(passing);
    for (std::size_t i = 0; i < rules.arguments.size(); ++i) {
        if (const auto& rule = rules.arguments[i]) {
            for (const auto& [argument, fails] : Failing(*rule, arguments[i])) {
                std::vector<std::string> changed = arguments;
                changed[i] = argument;
                trials.push_back({Line(name, changed), passing.grants, fails});
            }
        }
    }
    if (rules.maxArguments) {
        std::vector<std::string> more = arguments;
        more.resize(std::max(more.size(), *rules.maxArguments + 1), "x");
        trials.push_back({Line(name, more), passing.grants, rules.pointer + "/MaxArguments"});
    }
}

}  // namespace

std::vector<RuleTrial> RuleTrials(const Corvane::Settings& settings) {
    std::vector<RuleTrial> trials;
    for (const auto& [name, command] : settings.commands) {
        if (command.rules.Any()) {
            AddTrials(name, command.rules, trials);
        }
    }
    return trials;
}

}  // namespace DevHost
