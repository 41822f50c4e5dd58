#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/platform/FollowedFile.h"

namespace Corvane::Platform {
namespace {

std::optional<FileStatus> StatusFrom(const struct stat& status) {
    if (!S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    return FileStatus{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
                      static_cast<std::uint64_t>(status.st_size)};
}

}  // namespace

std::optional<FileStatus> StatusOf(const std::filesystem::path& file) {
    struct stat status {};
    return ::stat(file.c_str(), &status) == 0 ? StatusFrom(status) : std::nullopt;
}

void FollowedFile::Close() {
    if (handle_ >= 0) {
        ::close(static_cast<int>(handle_));
        handle_ = -1;
    }
    opened_ = {};
}

bool FollowedFile::Open(const std::filesystem::path& file) {
    Close();
    int descriptor = -1;
    do {
        descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    } while (descriptor < 0 && errno == EINTR);
    handle_ = descriptor;
    const std::optional<FileStatus> status = Status();
    if (!status) {
        Close();
        return false;
    }
    opened_ = *status;
    return true;
}

std::optional<FileStatus> FollowedFile::Status() const {
    struct stat status {};
    return handle_ >= 0 && ::fstat(static_cast<int>(handle_), &status) == 0 ? StatusFrom(status)
                                                                            : std::nullopt;
}

std::size_t FollowedFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t size) const {
    std::size_t total = 0;
    while (handle_ >= 0 && total < size) {
        const ssize_t read = ::pread(static_cast<int>(handle_), buffer + total, size - total,
                                     static_cast<off_t>(offset + total));
        if (read < 0 && errno == EINTR) {
            continue;
        }
        if (read <= 0) {
            break;
        }
        total += static_cast<std::size_t>(read);
    }
    return total;
}

}  // namespace Corvane::Platform
