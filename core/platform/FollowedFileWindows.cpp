#include <windows.h>

#include <algorithm>

#include "core/platform/FollowedFile.h"

namespace Corvane::Platform {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE Native(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

std::optional<FileStatus> StatusFrom(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileInformationByHandle(handle, &information) == 0 ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::nullopt;
    }
    return FileStatus{information.dwVolumeSerialNumber,
                      (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow,
                      (std::uint64_t{information.nFileSizeHigh} << 32) | information.nFileSizeLow};
}

}  // namespace

std::optional<FileStatus> StatusOf(const std::filesystem::path& file) {
    // Attributes only: no read access, so that it never stands in a writer's way.
    const HANDLE handle = CreateFileW(file.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    const std::optional<FileStatus> status = StatusFrom(handle);
    CloseHandle(handle);
    return status;
}

void FollowedFile::Close() {
    if (handle_ != -1) {
        CloseHandle(Native(handle_));
        handle_ = -1;
    }
    opened_ = {};
}

bool FollowedFile::Open(const std::filesystem::path& file) {
    Close();
    const HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    handle_ = reinterpret_cast<std::intptr_t>(handle);
    const std::optional<FileStatus> status = Status();
    if (!status) {
        Close();
        return false;
    }
    opened_ = *status;
    return true;
}

std::optional<FileStatus> FollowedFile::Status() const {
    return handle_ != -1 ? StatusFrom(Native(handle_)) : std::nullopt;
}

std::size_t FollowedFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t size) const {
    std::size_t total = 0;
    while (handle_ != -1 && total < size) {
        OVERLAPPED at{};
        const std::uint64_t position = offset + total;
        at.Offset = static_cast<DWORD>(position);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        DWORD read = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size - total, std::size_t{1} << 30));
        if (ReadFile(Native(handle_), buffer + total, wanted, &read, &at) == 0 || read == 0) {
            break;
        }
        total += read;
    }
    return total;
}

}  // namespace Corvane::Platform
