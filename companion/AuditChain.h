// The audit file and its rotated files, followed as the plugin rotates them
// (by one thread looking for new files while another reads; each call is
// whole under the chain's lock):
// each file is known by its identity and the hash of its first bytes (an
// identity can be reused once a file is deleted), and is held open from the
// moment it is seen until it is read to its end, so that a file the plugin
// renames or deletes meanwhile is still read whole.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/platform/FollowedFile.h"

namespace Companion {

using Corvane::Platform::FileStatus;
using Corvane::Platform::FollowedFile;

// A place in the chain of audit files: a file and an offset in it.
struct ChainPosition {
    FileStatus file;             // which file; its size is not kept
    std::uint64_t headHash = 0;  // of the file's first headLength bytes
    std::uint32_t headLength = 0;
    std::uint64_t offset = 0;
};

struct ChainLine {
    std::string text;  // without its line break; empty for a line too long to keep
    bool tooLong = false;
    bool unfinished = false;  // the end of a rotated file that never got its line break
    ChainPosition after;      // just past the line
};

class AuditChain {
public:
    // Rotated files are <name>.1<ext> to <name>.<keep><ext>.
    AuditChain(std::filesystem::path file, std::uint32_t keep);

    // Starts at a saved position or, without one, at the start of the oldest
    // file there is. False when the saved position's file is gone: the chain
    // then starts at the oldest file there is.
    bool Start(const std::optional<ChainPosition>& saved);
    // Opens the files that appeared since the last look.
    void Look();
    // The whole lines from the current position on, up to about maxBytes of them.
    std::vector<ChainLine> Read(std::size_t maxBytes);
    // Moves the current position to a line's after, letting go of files read.
    void MoveTo(const ChainPosition& position);
    // Where the next line starts: the position to save.
    ChainPosition Current() const;
    // Lines left behind in files let go of unread, for the log; reset when taken.
    std::uint64_t TakeLinesDropped();

    // Files longer than this are read in pieces; a line longer than
    // kLongestLine is reported as too long, without its text.
    static constexpr std::size_t kLongestLine = std::size_t{64} * 1024;
    // At most this many files are held open: beyond it the oldest is let go.
    static constexpr std::size_t kMostFilesHeld = 64;

private:
    struct Held {
        FollowedFile file;
        std::uint64_t headHash = 0;
        std::uint32_t headLength = 0;
    };
    static Held Hold(FollowedFile file);
    std::vector<ChainLine> ReadLocked(std::size_t maxBytes);
    bool IsHeld(const FileStatus& identity) const;
    std::vector<Held> Present() const;
    void DropOldest();
    ChainPosition PositionIn(const Held& held, std::uint64_t offset) const;
    // Where the line running past from ends: its line break, or size.
    static std::uint64_t LineEnd(const Held& held, std::uint64_t from, std::uint64_t size);

    mutable std::mutex mutex_;
    std::filesystem::path file_;
    std::uint32_t keep_;
    std::deque<Held> held_;  // oldest first; the front is the one being read
    std::uint64_t offset_ = 0;
    std::uint64_t linesDropped_ = 0;
};

}  // namespace Companion
