#include "core/platform/File.h"

std::FILE* Corvane::Platform::OpenForAppending(const std::filesystem::path& file) {
    return std::fopen(file.c_str(), "ab");
}

std::filesystem::path Corvane::Platform::PathFromFramework(const std::string& path) {
    return std::filesystem::path(path);
}
