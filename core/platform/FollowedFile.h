// A file another program appends to and rotates by renaming (the cluster's
// feed), read by offset and known by its identity rather than its name, so
// that a new file put in its place is never read from the old one's offset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <utility>

namespace Corvane::Platform {

// Which file a path names now, and its size: the device and inode, or on
// Windows the volume's serial number and the file index.
struct FileStatus {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    std::uint64_t size = 0;

    bool SameFile(const FileStatus& other) const { return volume == other.volume && index == other.index; }
};

// None when there is no such regular file. One system call on POSIX.
std::optional<FileStatus> StatusOf(const std::filesystem::path& file);

// Opened for reading only, and so that its writer stays free to rename or
// delete it meanwhile (FILE_SHARE_DELETE). Closed when destroyed; moved, the
// file goes along and the one moved from is closed.
class FollowedFile {
public:
    FollowedFile() = default;
    FollowedFile(FollowedFile&& other) noexcept
        : handle_(std::exchange(other.handle_, -1)), opened_(std::exchange(other.opened_, {})) {}
    FollowedFile& operator=(FollowedFile&& other) noexcept {
        if (this != &other) {
            Close();
            handle_ = std::exchange(other.handle_, -1);
            opened_ = std::exchange(other.opened_, {});
        }
        return *this;
    }
    FollowedFile(const FollowedFile&) = delete;
    FollowedFile& operator=(const FollowedFile&) = delete;
    ~FollowedFile() { Close(); }

    // False when there is no such regular file, or it can't be read.
    bool Open(const std::filesystem::path& file);
    // What is open, as StatusOf says of a path.
    std::optional<FileStatus> Status() const;
    // What Status said at the last Open that succeeded, without asking again:
    // which file is open, and its size then. All zero when none is.
    const FileStatus& Opened() const { return opened_; }
    // Up to size bytes from offset; fewer at the file's end or on a failure.
    std::size_t ReadAt(std::uint64_t offset, char* buffer, std::size_t size) const;

private:
    void Close();

    std::intptr_t handle_ = -1;
    FileStatus opened_;
};

}  // namespace Corvane::Platform
