// Follows the plugin's audit file as a log shipper does, reporting each whole
// line once. It keeps no file open between reads (the plugin must stay free to
// rename the file), and follows the file through what happens to it:
//   - missing: nothing yet; its first line is read once it appears;
//   - rotated or replaced (another file by its name, known by its identity:
//     the device and inode, or the Windows file index), however far the new
//     one has grown: read anew from its start, after the rest of the rotated
//     file (<name>.1<ext>) when that is the one it was reading;
//   - truncated: read anew from its start;
//   - a line still being written: left until its line break arrives.
// The stand-in server may also name a file the plugin could move to during
// the next line (a reload that changes "AuditLog"); once that file grows, it
// is the one followed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/platform/FollowedFile.h"

namespace DevHost {

class AuditFollower {
public:
    // Follows file from its current end; an empty path follows nothing.
    void Follow(const std::filesystem::path& file);
    // file, from its current end, may take over from the one followed.
    void Expect(const std::filesystem::path& file);
    void StopExpecting() { expected_.reset(); }

    // The whole lines appended since the last call, without their line breaks.
    std::vector<std::string> TakeNewLines();

private:
    struct Position {
        std::filesystem::path file;
        std::uintmax_t offset = 0;
        // The file the offset is in; none before it exists.
        std::optional<Corvane::Platform::FileStatus> identity;
    };
    static Position AtEnd(const std::filesystem::path& file);
    // Reads whole lines of path, when it is the file at names, from at's
    // offset on, moving the offset past them.
    static void ReadLines(const std::filesystem::path& path, Position& at, std::vector<std::string>& lines);

    std::optional<Position> followed_;
    std::optional<Position> expected_;
};

}  // namespace DevHost
