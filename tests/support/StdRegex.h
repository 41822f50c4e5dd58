// MatchesStdRegex: the whole text matches an ECMAScript regular expression.
//
// GoogleTest's own regular expressions are POSIX ones on Linux but a much
// smaller syntax on Windows (no brackets, no groups); std::regex is the same
// on both, so expectations on log lines hold on every platform.
#pragma once

#include <gmock/gmock.h>

#include <regex>
#include <string>

MATCHER_P(MatchesStdRegex, pattern,
          std::string(negation ? "doesn't match" : "matches") + " regular expression " +
              ::testing::PrintToString(std::string(pattern))) {
    return std::regex_match(std::string(arg), std::regex(pattern));
}
