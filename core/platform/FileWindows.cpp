#include <windows.h>

#include <cerrno>
#include <system_error>

#include "core/platform/File.h"

namespace Corvane::Platform {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE Native(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// The texts POSIX gives for the failures an operator meets most, so that a
// log line reads the same on either system; the system's own text otherwise.
std::string Message(DWORD error) {
    switch (error) {
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return std::generic_category().message(ENOSPC);
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: return std::generic_category().message(EACCES);
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return std::generic_category().message(ENOENT);
        case ERROR_WRITE_PROTECT: return std::generic_category().message(EROFS);
        default: break;
    }
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message(
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), message.data(),
                        static_cast<int>(message.size()), nullptr, nullptr);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.')) {
        message.pop_back();
    }
    return "Windows error " + std::to_string(error) + (message.empty() ? "" : ": " + message);
}

}  // namespace

const bool kWindowsPaths = true;

std::filesystem::path PathFromFramework(const std::string& path) {
    const int size = static_cast<int>(path.size());
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, path.data(), size, nullptr, 0)),
                      L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.data(), size, wide.data(), static_cast<int>(wide.size()));
    return std::filesystem::path(wide);
}

// Append access alone: the system puts every write at the end of the file.
bool AppendingFile::Open(const std::filesystem::path& file) {
    Close();
    const HANDLE handle = CreateFileW(file.c_str(), FILE_APPEND_DATA, kShareAll, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD error = GetLastError();
    folderMissing_ = handle == INVALID_HANDLE_VALUE && error == ERROR_PATH_NOT_FOUND;
    reason_ = handle == INVALID_HANDLE_VALUE ? Message(error) : "";
    handle_ = reinterpret_cast<std::intptr_t>(handle);
    return handle != INVALID_HANDLE_VALUE;
}

bool AppendingFile::Close() {
    if (Native(handle_) == INVALID_HANDLE_VALUE) {
        return true;
    }
    const bool closed = CloseHandle(Native(handle_)) != 0;
    reason_ = closed ? "" : Message(GetLastError());
    handle_ = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);
    return closed;
}

std::optional<std::uint64_t> AppendingFile::Size() {
    LARGE_INTEGER size{};
    if (GetFileType(Native(handle_)) != FILE_TYPE_DISK || !GetFileSizeEx(Native(handle_), &size)) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(size.QuadPart);
}

std::size_t AppendingFile::Write(std::string_view text) {
    DWORD written = 0;
    const bool whole =
        WriteFile(Native(handle_), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    reason_ = whole ? "" : Message(GetLastError());
    return written;
}

std::string Rename(const std::filesystem::path& from, const std::filesystem::path& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) ? "" : Message(GetLastError());
}

}  // namespace Corvane::Platform
