#include "devhost/app/RuleTrials.h"

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
    std::vector<std::string> candidates{"1", "0", "dodo"};
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
        if (candidate != other && !candidate.empty() && candidate.find(' ') == std::string::npos &&
            Corvane::CheckArgument(rule, Wide(candidate)) == Corvane::RuleMiss::None) {
            return candidate;
        }
    }
    return std::nullopt;
}

// An argument that fails the rule, and the member of the rule it fails.
std::optional<std::pair<std::string, std::string>> Failing(const ArgumentRule& rule,
                                                           const std::string& passing) {
    if (rule.min || rule.max) {
        const std::string value = rule.min ? Decimal(*rule.min - 1) : Decimal(*rule.max + 1);
        return std::pair(value, rule.pointer + (rule.min ? "/Min" : "/Max"));
    }
    if (!rule.allow.empty()) {
        return std::pair(std::string("zz-none-of-these"), rule.pointer + "/Allow");
    }
    if (rule.permission) {
        if (const auto other = Passing(rule, passing)) {
            return std::pair(*other, rule.pointer + "/Permission");
        }
    }
    return std::nullopt;
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
            if (const auto failing = Failing(*rule, arguments[i])) {
                std::vector<std::string> changed = arguments;
                changed[i] = failing->first;
                trials.push_back({Line(name, changed), passing.grants, failing->second});
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
