// Argument rules: what a granted command may be given, per entry of
// "Commands". They are optional: a command without them takes any arguments.
//
//   "giveitem": {"MaxArguments": 4,
//                "Arguments": [{"Allow": ["1*", "2?"]}, {"Min": 1, "Max": 100}, null]}
//
// Element N of "Arguments" applies to argument N; a missing argument that has
// a rule fails it. Each check keeps the JSON pointer of its member, which is
// how a denied line names the rule that failed.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "host/WideChar.h"

namespace Corvane {

struct ArgumentRule {
    std::string pointer;  // "/Commands/giveitem/Arguments/1"
    std::optional<double> min;
    std::optional<double> max;
    // Patterns, any of which the argument must match (ASCII case ignored):
    // '*' any run of characters, '?' one character.
    std::vector<WideString> allow;
    // The player must also hold Cheat.<command>.<argument>, the argument as typed.
    bool permission = false;
};

struct ArgumentRules {
    std::string pointer;  // "/Commands/giveitem"
    std::optional<std::size_t> maxArguments;
    // One a position; none where there is no rule.
    std::vector<std::optional<ArgumentRule>> arguments;

    bool Any() const;
};

// A decimal number, with an optional sign and an optional fraction ("-2",
// "0.5"); none for anything else, "1e9", "0x10", "inf" and "nan" among them.
std::optional<double> DecimalNumber(WideStringView text);

// Whether text matches pattern, ASCII letters compared without regard to case.
bool MatchesPattern(WideStringView text, WideStringView pattern);

// What of a rule an argument fails, its permission aside, in the order the
// rule is checked: its bounds, then its patterns.
enum class RuleMiss { None, NotANumber, BelowMin, AboveMax, NoPattern };
RuleMiss CheckArgument(const ArgumentRule& rule, WideStringView argument);

}  // namespace Corvane
