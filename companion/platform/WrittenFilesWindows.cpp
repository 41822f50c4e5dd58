#include <windows.h>

#include "companion/platform/WrittenFiles.h"

namespace Companion {

using Corvane::Platform::FileStatus;

namespace {

// Its last byte, or a line break for an empty file; none when it can't be read.
std::optional<char> LastByte(HANDLE handle, std::uint64_t size) {
    if (size == 0) {
        return '\n';
    }
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(size - 1);
    at.OffsetHigh = static_cast<DWORD>((size - 1) >> 32);
    char last = 0;
    DWORD read = 0;
    if (ReadFile(handle, &last, 1, &read, &at) == 0 || read != 1) {
        return std::nullopt;
    }
    return last;
}

}  // namespace

std::optional<FileStatus> AppendLines(const std::filesystem::path& file, const std::string& lines) {
    // Read as well as appended to: its last byte tells whether it ends mid-line.
    const HANDLE handle = CreateFileW(file.c_str(), FILE_APPEND_DATA | FILE_READ_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    std::optional<char> last;
    if (GetFileInformationByHandle(handle, &information) != 0) {
        last = LastByte(handle, (std::uint64_t{information.nFileSizeHigh} << 32) | information.nFileSizeLow);
    }
    bool whole = false;
    if (last) {
        const std::string text = *last == '\n' ? lines : '\n' + lines;
        DWORD written = 0;
        whole = WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != 0 &&
                written == text.size();
    }
    CloseHandle(handle);
    if (!whole) {
        return std::nullopt;
    }
    return FileStatus{information.dwVolumeSerialNumber,
                      (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow,
                      (std::uint64_t{information.nFileSizeHigh} << 32) | information.nFileSizeLow};
}

bool BumpCounter(const std::filesystem::path& file) {
    const HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    // A new file reads as zero.
    std::uint64_t counter = 0;
    OVERLAPPED at{};
    DWORD done = 0;
    const bool read =
        ReadFile(handle, &counter, sizeof counter, &done, &at) != 0 || GetLastError() == ERROR_HANDLE_EOF;
    ++counter;
    at = {};
    const bool written =
        read && WriteFile(handle, &counter, sizeof counter, &done, &at) != 0 && done == sizeof counter;
    CloseHandle(handle);
    return written;
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
