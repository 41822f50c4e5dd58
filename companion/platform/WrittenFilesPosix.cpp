#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "companion/platform/WrittenFiles.h"

namespace Companion {

using Corvane::Platform::FileStatus;

std::optional<FileStatus> AppendLines(const std::filesystem::path& file, const std::string& lines) {
    // Read as well as appended to: its last byte tells whether it ends mid-line.
    const int descriptor = ::open(file.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (descriptor < 0) {
        return std::nullopt;
    }
    struct stat status {};
    char last = '\n';
    bool whole = ::fstat(descriptor, &status) == 0 &&
                 (status.st_size == 0 || ::pread(descriptor, &last, 1, status.st_size - 1) == 1);
    const std::string text = last == '\n' ? lines : '\n' + lines;
    whole = whole && ::write(descriptor, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(descriptor);
    if (!whole) {
        return std::nullopt;
    }
    return FileStatus{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
                      static_cast<std::uint64_t>(status.st_size)};
}

bool BumpCounter(const std::filesystem::path& file) {
    const int descriptor = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (descriptor < 0) {
        return false;
    }
    // A new file reads as zero.
    std::uint64_t counter = 0;
    const bool read = ::pread(descriptor, &counter, sizeof counter, 0) >= 0;
    ++counter;
    const bool written =
        read && ::pwrite(descriptor, &counter, sizeof counter, 0) == static_cast<ssize_t>(sizeof counter);
    ::close(descriptor);
    return written;
}

bool ReplaceContents(const std::filesystem::path& file, const std::string& text) {
    const std::filesystem::path temporary = file.string() + ".new";
    const int descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (descriptor < 0) {
        return false;
    }
    const bool written = ::write(descriptor, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
                         ::fsync(descriptor) == 0;
    ::close(descriptor);
    return written && ::rename(temporary.c_str(), file.c_str()) == 0;
}

}  // namespace Companion
