// Files the plugin writes itself, by a path that may hold any character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace Corvane::Platform {
// A path the framework gives as 8-bit text (GetCurrentDir), read as the
// platform's narrow file functions read it: the system code page on Windows.
std::filesystem::path PathFromFramework(const std::string& path);

// A file opened for appending only: each write lands whole at its end,
// whoever else appends to it (another server sharing the file), and the file
// stays free to be read, renamed or deleted meanwhile. Closed when destroyed.
class AppendingFile {
public:
    AppendingFile() = default;
    AppendingFile(const AppendingFile&) = delete;
    AppendingFile& operator=(const AppendingFile&) = delete;
    ~AppendingFile() { Close(); }

    // Opens file, creating it when missing; false with Reason() otherwise.
    bool Open(const std::filesystem::path& file);
    // False with Reason() when the system reports a failure at the close (a
    // write it had deferred, on a network share).
    bool Close();
    // Whether the last Open failed because a folder of the path is missing.
    bool FolderMissing() const { return folderMissing_; }
    // Why the last call failed, in the system's words.
    const std::string& Reason() const { return reason_; }

    // The file's size; none for what has no size (a device).
    std::optional<std::uint64_t> Size();
    // Writes text with one write; the bytes written. Fewer than all with an
    // empty Reason() when the system wrote part of it without saying why.
    std::size_t Write(std::string_view text);

private:
    std::intptr_t handle_ = -1;
    bool folderMissing_ = false;
    std::string reason_;
};

// Renames from to to, replacing it, as a log shipper expects a rotation to
// (the file it holds open keeps its identity); empty, or the system's reason.
std::string Rename(const std::filesystem::path& from, const std::filesystem::path& to);

// True where a drive letter or two backslashes start an absolute path and a
// backslash separates folders (Windows).
extern const bool kWindowsPaths;
}  // namespace Corvane::Platform
