#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "companion/platform/FollowedFile.h"

namespace Companion {

FollowedFile::FollowedFile(FollowedFile&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), identity_(other.identity_) {}

FollowedFile& FollowedFile::operator=(FollowedFile&& other) noexcept {
    if (this != &other) {
        if (handle_ >= 0) {
            ::close(static_cast<int>(handle_));
        }
        handle_ = std::exchange(other.handle_, -1);
        identity_ = other.identity_;
    }
    return *this;
}

FollowedFile::~FollowedFile() {
    if (handle_ >= 0) {
        ::close(static_cast<int>(handle_));
    }
}

std::optional<FollowedFile> FollowedFile::Open(const std::filesystem::path& file) {
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return std::nullopt;
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return std::nullopt;
    }
    FollowedFile opened;
    opened.handle_ = descriptor;
    opened.identity_ = {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
    return opened;
}

std::uint64_t FollowedFile::Size() const {
    struct stat status {};
    return ::fstat(static_cast<int>(handle_), &status) == 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
}

std::size_t FollowedFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t size) const {
    std::size_t total = 0;
    while (total < size) {
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

std::optional<FileIdentity> AppendToFile(const std::filesystem::path& file, const std::string& text) {
    const int descriptor = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (descriptor < 0) {
        return std::nullopt;
    }
    struct stat status {};
    const bool written = ::fstat(descriptor, &status) == 0 &&
                         ::write(descriptor, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(descriptor);
    if (!written) {
        return std::nullopt;
    }
    return FileIdentity{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
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
