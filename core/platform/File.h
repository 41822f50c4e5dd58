// Files the plugin writes itself, by a path that may hold any character.
#pragma once

#include <cstdio>
#include <filesystem>

namespace Corvane::Platform {
// The file opened for appending in binary mode (created when missing), or
// null with errno set.
std::FILE* OpenForAppending(const std::filesystem::path& file);
}  // namespace Corvane::Platform
