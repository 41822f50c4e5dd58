#include <windows.h>

#include "companion/platform/WrittenFiles.h"

namespace Companion {

using Corvane::Platform::FileStatus;

std::optional<FileStatus> AppendToFile(const std::filesystem::path& file, const std::string& text) {
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
    return FileStatus{information.dwVolumeSerialNumber,
                      (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow,
                      (std::uint64_t{information.nFileSizeHigh} << 32) | information.nFileSizeLow};
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
