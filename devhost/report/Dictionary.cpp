#include "devhost/report/Dictionary.h"

namespace DevHost::Report {

std::uint32_t Dictionary::Id(std::string_view word) {
    // A lookup by view would need C++20's heterogeneous lookup in unordered_map,
    // which GCC 12's library lacks; the words are short.
    const auto [entry, added] =
        ids_.try_emplace(std::string(word), static_cast<std::uint32_t>(words_.size()));
    if (added) {
        words_.emplace_back(word);
    }
    return entry->second;
}

}  // namespace DevHost::Report
