#include <stdio.h>

#include "core/platform/File.h"

// The wide form: the narrow one would read the path in the system's code page.
std::FILE* Corvane::Platform::OpenForAppending(const std::filesystem::path& file) {
    return _wfopen(file.c_str(), L"ab");
}
