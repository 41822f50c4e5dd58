// Reading the audit record back, newest line first: the current file from
// its end, then the rotated ones (<name>.1<ext>, <name>.2<ext>, ...) in turn.
// Only what is asked for is read, so the cost of reading the last hour of a
// record does not grow with the record.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace Corvane {

// Longer than any line the plugin writes (16 KiB): such a line is no record,
// and readers pass over it unread.
inline constexpr std::size_t kLongestAuditLine = std::size_t{64} * 1024;

// One file, from its end backwards, a line at a time.
class BackwardLines {
public:
    // A missing file has no lines. Throws std::runtime_error naming the file
    // and the system's reason when it is there but can't be read.
    explicit BackwardLines(const std::filesystem::path& file);

    // The line before the last one given, without its line break; none at the
    // start of the file. A line longer than any the plugin writes comes back
    // empty, unread.
    std::optional<std::string> Previous();

private:
    void ReadBlock();

    std::ifstream stream_;
    std::uint64_t unread_ = 0;  // bytes before pending_ not read yet
    std::string pending_;       // read, and not given yet
    bool overlong_ = false;     // pending_ is the end of a line too long to keep
    bool done_ = false;
};

}  // namespace Corvane
