// Files the plugin writes itself, by a path that may hold any character.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace Corvane::Platform {
// A path the framework gives as 8-bit text (GetCurrentDir), read as the
// platform's narrow file functions read it: the system code page on Windows.
std::filesystem::path PathFromFramework(const std::string& path);

// The file opened for appending in binary mode (created when missing), or
// null with errno set.
std::FILE* OpenForAppending(const std::filesystem::path& file);
}  // namespace Corvane::Platform
