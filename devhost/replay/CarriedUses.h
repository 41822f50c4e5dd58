// Lines carried over at a rotation ("action": "carried"): the new audit file
// starts with one for each granted use still inside the longest window in the
// file rotated away, naming that use's line by a hash of its bytes. A reader
// that meets a line and its copies counts the use once: of each line, as many
// uses as the most of the originals read and of the copies any one file holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/audit/RecordedUses.h"

namespace DevHost {

struct CarriedUse {
    std::uint64_t carries = 0;  // Corvane::LineHash of the line it stands for
    std::string name;           // the innermost of the names the use ran
};

// None when the line's "carries" is not 16 lowercase hex digits, or its
// "names" is not a list ending in a text.
std::optional<CarriedUse> ReadCarried(std::string_view line);

// The uses of the files read, oldest first, counted once.
class CarriedUses {
public:
    // A granted line of the record.
    void Original(std::string_view line) { ++originals_[Corvane::LineHash(line)]; }
    // A carried line of the file-th file read (from 0): true when it is a use
    // neither the originals read nor the copies of another file account for.
    bool IsNewUse(std::uint64_t carries, std::size_t file);

private:
    struct Copies {
        std::size_t file = 0;    // the file the last copy was in
        std::size_t inFile = 0;  // copies in that file
        std::size_t most = 0;    // the most in any one file
    };
    std::unordered_map<std::uint64_t, std::size_t> originals_;
    std::unordered_map<std::uint64_t, Copies> copies_;
};

}  // namespace DevHost
