// The names a cluster's settings give: the server's, written in its audit
// lines, and the table's, written into the companion's statements. Both the
// plugin's reader and the companion's check them here.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace Corvane {

inline constexpr std::size_t kLongestClusterName = 64;

inline bool IsClusterName(std::string_view text, bool punctuation) {
    const auto allowed = [punctuation](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
               (punctuation && (c == '.' || c == '-'));
    };
    return !text.empty() && text.size() <= kLongestClusterName &&
           std::all_of(text.begin(), text.end(), allowed);
}

// 1 to 64 ASCII letters, digits, _ . and -: written in audit lines and file
// names as it is, with nothing to escape.
inline bool IsServerName(std::string_view text) {
    return IsClusterName(text, true);
}

// 1 to 64 ASCII letters, digits and _: written into statements as it is.
inline bool IsTableName(std::string_view text) {
    return IsClusterName(text, false);
}

}  // namespace Corvane
