#include "core/settings/ArgumentRules.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

#include "engine/WideText.h"

namespace Corvane {
namespace {

bool IsDigit(WideChar c) {
    return c >= '0' && c <= '9';
}

WideChar Fold(WideChar c) {
    return c >= 'A' && c <= 'Z' ? static_cast<WideChar>(c - 'A' + 'a') : c;
}

bool IsAsciiLetterOrDigit(WideChar c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c);
}

}  // namespace

bool IsNameCharacter(WideChar c) {
    return IsAsciiLetterOrDigit(c) || c == '_' || c == '-' || c == '.';
}

bool IsAskable(WideStringView argument) {
    return std::all_of(argument.begin(), argument.end(),
                       [](WideChar c) { return IsAsciiLetterOrDigit(c) || c == '_' || c == '-'; });
}

bool ArgumentRules::Any() const {
    return maxArguments.has_value() ||
           std::any_of(arguments.begin(), arguments.end(), [](const auto& rule) { return rule.has_value(); });
}

std::optional<double> DecimalNumber(WideStringView text) {
    std::size_t i = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    const std::size_t digits = i;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
    }
    if (i == digits) {
        return std::nullopt;
    }
    if (i < text.size() && text[i] == '.') {
        const std::size_t fraction = ++i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
        }
        if (i == fraction) {
            return std::nullopt;
        }
    }
    if (i != text.size()) {
        return std::nullopt;
    }
    const std::string ascii(text.begin() + (text[0] == '+' ? 1 : 0), text.end());
    double value = 0;
    if (std::from_chars(ascii.data(), ascii.data() + ascii.size(), value).ec ==
        std::errc::result_out_of_range) {
        // Beyond any double, so beyond any bound; or so small it is zero.
        const bool tiny = ascii.find_first_of("123456789") > ascii.find('.');
        value = tiny ? 0.0 : (ascii[0] == '-' ? -HUGE_VAL : HUGE_VAL);
    }
    return value;
}

bool MatchesPattern(WideStringView text, WideStringView pattern) {
    // Greedy with one point to come back to: the last '*', and where in text
    // it stood; linear in practice, never exponential. That is enough though
    // a '*' takes only name characters: placing what follows a '*' later
    // than first found makes that '*' take the text of the first placement,
    // which the next '*' can take as well.
    std::size_t t = 0;
    std::size_t p = 0;
    std::optional<std::size_t> star;
    std::size_t starText = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            starText = t;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' ? IsNameCharacter(text[t]) : Fold(pattern[p]) == Fold(text[t]))) {
            ++t;
            ++p;
        } else if (star && IsNameCharacter(text[starText])) {
            p = *star + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

RuleMiss CheckArgument(const ArgumentRule& rule, WideStringView argument) {
    if (rule.min || rule.max || rule.whole) {
        const auto number = DecimalNumber(argument);
        if (!number) {
            return RuleMiss::NotANumber;
        }
        if (rule.whole && argument.find(WideChar{'.'}) != WideStringView::npos) {
            return RuleMiss::NotWhole;
        }
        if (rule.min && *number < *rule.min) {
            return RuleMiss::BelowMin;
        }
        if (rule.max && *number > *rule.max) {
            return RuleMiss::AboveMax;
        }
    }
    if (!rule.allow.empty() &&
        std::none_of(rule.allow.begin(), rule.allow.end(),
                     [&](const WideString& pattern) { return MatchesPattern(argument, pattern); })) {
        return RuleMiss::NoPattern;
    }
    return RuleMiss::None;
}

std::string MissedMember(const ArgumentRule& rule, RuleMiss miss) {
    switch (miss) {
        case RuleMiss::None: break;
        case RuleMiss::NotANumber: return rule.min ? "/Min" : rule.max ? "/Max" : "/Whole";
        case RuleMiss::NotWhole: return "/Whole";
        case RuleMiss::BelowMin: return "/Min";
        case RuleMiss::AboveMax: return "/Max";
        case RuleMiss::NoPattern: return "/Allow";
    }
    return "";
}

}  // namespace Corvane
