// A file read while its writer renames, replaces or deletes it: opened so
// that it stays free to be renamed or deleted (FILE_SHARE_DELETE on Windows),
// known by its identity rather than its name, and still readable through the
// handle once it is gone from its folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace Companion {

// Which file it is, whatever its name: the device and inode, or on Windows the
// volume serial number and the file index.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

class FollowedFile {
public:
    FollowedFile() = default;
    FollowedFile(FollowedFile&& other) noexcept;
    FollowedFile& operator=(FollowedFile&& other) noexcept;
    FollowedFile(const FollowedFile&) = delete;
    FollowedFile& operator=(const FollowedFile&) = delete;
    ~FollowedFile();

    // None when there is no such file or it can't be read.
    static std::optional<FollowedFile> Open(const std::filesystem::path& file);

    const FileIdentity& Identity() const { return identity_; }
    std::uint64_t Size() const;
    // Reads up to size bytes at offset into buffer; the bytes read.
    std::size_t ReadAt(std::uint64_t offset, char* buffer, std::size_t size) const;

private:
    std::intptr_t handle_ = -1;
    FileIdentity identity_;
};

// Appends text to file with one write, creating it when missing, leaving it
// free to be renamed or deleted meanwhile; the identity of the file written,
// none when it can't be.
std::optional<FileIdentity> AppendToFile(const std::filesystem::path& file, const std::string& text);

// Writes text to file through a file beside it and a rename, so that a
// reader, or a crash, finds either the old text or the new, never a part.
bool ReplaceContents(const std::filesystem::path& file, const std::string& text);

}  // namespace Companion
