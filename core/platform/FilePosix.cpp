#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "core/platform/File.h"

namespace Corvane::Platform {
namespace {

std::string Message(int error) {
    return std::generic_category().message(error);
}

}  // namespace

const bool kWindowsPaths = false;

std::filesystem::path PathFromFramework(const std::string& path) {
    return std::filesystem::path(path);
}

bool AppendingFile::Open(const std::filesystem::path& file) {
    Close();
    int fd = -1;
    // Not blocking: a pipe put in the file's place fails the write rather
    // than holding the game thread until something reads it. A file is
    // written the same either way.
    do {
        fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    } while (fd < 0 && errno == EINTR);
    folderMissing_ = fd < 0 && errno == ENOENT;
    reason_ = fd < 0 ? Message(errno) : "";
    handle_ = fd;
    return fd >= 0;
}

bool AppendingFile::Close() {
    if (handle_ < 0) {
        return true;
    }
    const bool closed = ::close(static_cast<int>(handle_)) == 0;
    reason_ = closed ? "" : Message(errno);
    handle_ = -1;
    return closed;
}

std::optional<std::uint64_t> AppendingFile::Size() {
    struct stat status {};
    if (::fstat(static_cast<int>(handle_), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(status.st_size);
}

std::size_t AppendingFile::Write(std::string_view text) {
    ssize_t written = -1;
    do {
        written = ::write(static_cast<int>(handle_), text.data(), text.size());
    } while (written < 0 && errno == EINTR);
    reason_ = written < 0 ? Message(errno) : "";
    return written < 0 ? 0 : static_cast<std::size_t>(written);
}

std::string Rename(const std::filesystem::path& from, const std::filesystem::path& to) {
    return ::rename(from.c_str(), to.c_str()) == 0 ? "" : Message(errno);
}

}  // namespace Corvane::Platform
