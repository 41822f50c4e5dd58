#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/platform/MappedCounter.h"

namespace Corvane::Platform {

bool MappedCounter::Map(const std::filesystem::path& file) {
    Unmap();
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return false;
    }
    struct stat status {};
    void* view = MAP_FAILED;
    if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) &&
        static_cast<std::uint64_t>(status.st_size) >= kCounterBytes) {
        view = ::mmap(nullptr, kCounterBytes, PROT_READ, MAP_SHARED, descriptor, 0);
    }
    // The mapping keeps the file; the descriptor is not needed.
    ::close(descriptor);
    if (view == MAP_FAILED) {
        return false;
    }
    view_ = static_cast<const volatile std::uint64_t*>(view);
    identity_ = {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
                 static_cast<std::uint64_t>(status.st_size)};
    return true;
}

void MappedCounter::Unmap() {
    if (view_ != nullptr) {
        ::munmap(const_cast<std::uint64_t*>(view_), kCounterBytes);
        view_ = nullptr;
    }
    identity_ = {};
}

}  // namespace Corvane::Platform
