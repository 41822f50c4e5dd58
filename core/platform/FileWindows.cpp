#include <windows.h>

#include <stdio.h>

#include "core/platform/File.h"

// The wide form: the narrow one would read the path in the system's code page.
std::FILE* Corvane::Platform::OpenForAppending(const std::filesystem::path& file) {
    return _wfopen(file.c_str(), L"ab");
}

std::filesystem::path Corvane::Platform::PathFromFramework(const std::string& path) {
    const int size = static_cast<int>(path.size());
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, path.data(), size, nullptr, 0)),
                      L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.data(), size, wide.data(), static_cast<int>(wide.size()));
    return std::filesystem::path(wide);
}
