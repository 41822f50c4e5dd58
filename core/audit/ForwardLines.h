// An audit file read from its start, a line at a time, through one buffer of
// a fixed size: reading a file of any length takes the same memory.
#pragma once

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>
#include <vector>

namespace Corvane {

class ForwardLines {
public:
    // Throws std::runtime_error naming the file when it can't be opened.
    explicit ForwardLines(const std::filesystem::path& file);

    // The next line without its line break, valid until the next call; none
    // at the end of the file. A line longer than any the plugin writes comes
    // back empty, unread. Throws std::runtime_error when the file can't be read.
    std::optional<std::string_view> Next();

private:
    void Refill();

    std::filesystem::path file_;
    std::ifstream stream_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;  // the first byte not given yet
    std::size_t end_ = 0;    // past the last byte read
    bool overlong_ = false;  // what was dropped of the pending line makes it too long to keep
    bool done_ = false;      // nothing more to read
};

}  // namespace Corvane
