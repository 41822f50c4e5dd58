#include <windows.h>

#include <algorithm>
#include <utility>

#include "companion/platform/FollowedFile.h"

namespace Companion {
namespace {

HANDLE AsHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(
        handle);  // NOLINT(performance-no-int-to-ptr): a Windows handle kept as a number
}

}  // namespace

FollowedFile::FollowedFile(FollowedFile&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), identity_(other.identity_) {}

FollowedFile& FollowedFile::operator=(FollowedFile&& other) noexcept {
    if (this != &other) {
        if (handle_ != -1) {
            CloseHandle(AsHandle(handle_));
        }
        handle_ = std::exchange(other.handle_, -1);
        identity_ = other.identity_;
    }
    return *this;
}

FollowedFile::~FollowedFile() {
    if (handle_ != -1) {
        CloseHandle(AsHandle(handle_));
    }
}

std::optional<FollowedFile> FollowedFile::Open(const std::filesystem::path& file) {
    // Sharing deletion too: the plugin renames and deletes the file at
    // rotation while it is read here.
    const HANDLE handle =
        CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileInformationByHandle(handle, &information) == 0 ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        CloseHandle(handle);
        return std::nullopt;
    }
    FollowedFile opened;
    opened.handle_ = reinterpret_cast<std::intptr_t>(handle);
    opened.identity_ = {information.dwVolumeSerialNumber,
                        (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
    return opened;
}

std::uint64_t FollowedFile::Size() const {
    LARGE_INTEGER size{};
    return GetFileSizeEx(AsHandle(handle_), &size) != 0 ? static_cast<std::uint64_t>(size.QuadPart) : 0;
}

std::size_t FollowedFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t size) const {
    std::size_t total = 0;
    while (total < size) {
        OVERLAPPED at{};
        const std::uint64_t position = offset + total;
        at.Offset = static_cast<DWORD>(position);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        DWORD read = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size - total, 1U << 30));
        if (ReadFile(AsHandle(handle_), buffer + total, wanted, &read, &at) == 0 || read == 0) {
            break;
        }
        total += read;
    }
    return total;
}

std::optional<FileIdentity> AppendToFile(const std::filesystem::path& file, const std::string& text) {
    const HANDLE handle =
        CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    DWORD written = 0;
    const bool whole =
        GetFileInformationByHandle(handle, &information) != 0 &&
        WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != 0 &&
        written == text.size();
    CloseHandle(handle);
    if (!whole) {
        return std::nullopt;
    }
    return FileIdentity{information.dwVolumeSerialNumber,
                        (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
}

bool ReplaceContents(const std::filesystem::path& file, const std::string& text) {
    const std::filesystem::path temporary = file.wstring() + L".new";
    const HANDLE handle = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool whole =
        WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != 0 &&
        written == text.size() && FlushFileBuffers(handle) != 0;
    CloseHandle(handle);
    return whole && MoveFileExW(temporary.c_str(), file.c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace Companion
