#include <dlfcn.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "devhost/platform/FileFaults.h"

namespace {

using DevHost::Platform::FileFault;

constexpr int kNone = -1;
std::atomic<int> armed{kNone};
// Set before a fault is armed, read only while one is.
std::string armedFile;

template <class Function>
Function CLibrary(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

bool Armed(FileFault fault) {
    return armed.load(std::memory_order_acquire) == static_cast<int>(fault);
}

// By identity, not by name: the plugin may reach the file by another path.
bool IsArmedFile(const struct stat& status) {
    struct stat target {};
    return ::stat(armedFile.c_str(), &target) == 0 && target.st_dev == status.st_dev &&
           target.st_ino == status.st_ino;
}

bool OnArmedFile(int fd) {
    struct stat status {};
    return ::fstat(fd, &status) == 0 && IsArmedFile(status);
}

}  // namespace

void DevHost::Platform::ArmFileFault(FileFault fault, const std::filesystem::path& file) {
    armedFile = file.string();
    armed.store(static_cast<int>(fault), std::memory_order_release);
}

void DevHost::Platform::DisarmFileFault() {
    armed.store(kNone, std::memory_order_release);
}

extern "C" __attribute__((visibility("default"))) ssize_t write(int fd, const void* data, size_t size) {
    static const auto real = CLibrary<ssize_t (*)(int, const void*, size_t)>("write");
    if (Armed(FileFault::ShortWrite) && size > 1 && OnArmedFile(fd)) {
        return real(fd, data, size / 2);
    }
    return real(fd, data, size);
}

extern "C" __attribute__((visibility("default"))) int rename(const char* from, const char* to) noexcept {
    static const auto real = CLibrary<int (*)(const char*, const char*)>("rename");
    struct stat status {};
    if (Armed(FileFault::FailedRename) && ::stat(from, &status) == 0 && IsArmedFile(status)) {
        errno = EACCES;
        return -1;
    }
    return real(from, to);
}
