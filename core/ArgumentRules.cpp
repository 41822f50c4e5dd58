#include "core/ArgumentRules.h"

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

// The length of the character at text[i]: a surrogate pair is one character.
std::size_t CharacterLength(WideStringView text, std::size_t i) {
    return Engine::IsHighSurrogate(text[i]) && i + 1 < text.size() ? 2 : 1;
}

}  // namespace

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
    // it stood; linear in practice, never exponential.
    std::size_t t = 0;
    std::size_t p = 0;
    std::optional<std::size_t> star;
    std::size_t starText = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            starText = t;
        } else if (p < pattern.size() && pattern[p] == '?') {
            t += CharacterLength(text, t);
            ++p;
        } else if (p < pattern.size() && Fold(pattern[p]) == Fold(text[t])) {
            ++t;
            ++p;
        } else if (star) {
            p = *star + 1;
            starText += CharacterLength(text, starText);
            t = starText;
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
    if (rule.min || rule.max) {
        const auto number = DecimalNumber(argument);
        if (!number) {
            return RuleMiss::NotANumber;
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

}  // namespace Corvane
