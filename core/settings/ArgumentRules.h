// Argument rules: what a granted command may be given, per entry of
// "Commands". They are optional: a command without them takes any arguments.
//
//   "giveitem": {"MaxArguments": 4,
//                "Arguments": [{"Min": 1, "Max": 29, "Whole": true}, {"Min": 1, "Max": 100}, null]}
//   "spawn": {"Arguments": [{"Allow": ["Wolf", "Bear*"], "Permission": true}]}
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
    // The argument must be a decimal number written without a fraction.
    bool whole = false;
    // Patterns, any of which the argument must match (ASCII case ignored):
    // '*' any run of name characters, '?' one (IsNameCharacter).
    std::vector<WideString> allow;
    // The player must also hold Cheat.<command>.<argument>, the argument as
    // typed; only an argument a question can carry (IsAskable) is asked about.
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

// What a pattern's '*' and '?' stand for: an ASCII letter or digit, '_', '-'
// or '.'. Anything else an argument holds must be spelled out in the pattern,
// so that no wildcard lets through a character a console could read as the
// end of a number or a name.
bool IsNameCharacter(WideChar c);

// Whether text matches pattern, ASCII letters compared without regard to case.
bool MatchesPattern(WideStringView text, WideStringView pattern);

// Whether an argument may go into a question to the permissions plugin: ASCII
// letters, digits, '_' and '-' only, so that no '.', '*' or '%' reaches a
// plugin whose reading of them inside a permission is unknown.
bool IsAskable(WideStringView argument);

// What of a rule an argument fails, its permission aside, in the order the
// rule is checked: a number, whole, its bounds, then its patterns.
enum class RuleMiss { None, NotANumber, NotWhole, BelowMin, AboveMax, NoPattern };
RuleMiss CheckArgument(const ArgumentRule& rule, WideStringView argument);

// The member of the rule a miss names: "/Min", "/Whole" and the like.
std::string MissedMember(const ArgumentRule& rule, RuleMiss miss);

}  // namespace Corvane
