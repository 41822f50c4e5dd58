#include "core/settings/AuditPath.h"

#include <fmt/format.h>

namespace Corvane {
namespace {

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

bool StartsWithDrive(const std::string& path) {
    if (path.size() < 2 || path[1] != ':') {
        return false;
    }
    const char letter = static_cast<char>(path[0] | 0x20);
    return letter >= 'a' && letter <= 'z';
}

AuditPath Problem(std::string problem) {
    return {{}, std::move(problem)};
}

AuditPath ResolveForWindows(const std::string& configured, const std::filesystem::path& path,
                            const std::filesystem::path& pluginFolder) {
    const bool rooted = IsSeparator(configured[0]);
    const bool network = rooted && configured.size() > 1 && IsSeparator(configured[1]);
    if (StartsWithDrive(configured)) {
        if (configured.size() == 2 || !IsSeparator(configured[2])) {
            return Problem(fmt::format(
                "is relative to the current folder of drive {}, which the plugin can't know: "
                "write a full path, from the drive's root folder, or one relative to the plugin's "
                "folder",
                configured.substr(0, 2)));
        }
        return {path, ""};
    }
    if (rooted && !network) {
        return Problem(
            "starts at the root of the current drive, which the plugin can't know: write a full path, "
            "with its drive letter, or one relative to the plugin's folder");
    }
    return {network ? path : pluginFolder / path, ""};
}

}  // namespace

AuditPath ResolveAuditPath(const std::string& configured, const std::filesystem::path& pluginFolder,
                           bool windowsPaths) {
    const std::filesystem::path path(std::u8string(configured.begin(), configured.end()));
    if (windowsPaths) {
        return ResolveForWindows(configured, path, pluginFolder);
    }
    if (StartsWithDrive(configured)) {
        return Problem(fmt::format("starts with drive {}, which only Windows has", configured.substr(0, 2)));
    }
    if (configured.find('\\') != std::string::npos) {
        return Problem("holds a backslash, which separates folders only on Windows: write / instead");
    }
    return {path.is_absolute() ? path : pluginFolder / path, ""};
}

std::filesystem::path RotatedAuditFile(const std::filesystem::path& file, unsigned number) {
    if (number == 0) {
        return file;
    }
    // Built by appending: GCC 12 at -O3 takes "." + std::to_string(number),
    // whose insert it inlines, for a copy of 2^63 bytes (a false -Wrestrict
    // and -Wstringop-overflow, fatal in a Release build).
    std::filesystem::path name = file.stem();
    name += fmt::format(".{}", number);
    name += file.extension();
    return file.parent_path() / name;
}

std::filesystem::path FeedChangesFile(const std::filesystem::path& feed) {
    std::filesystem::path changes = feed;
    changes += ".changes";
    return changes;
}

std::string PathText(const std::filesystem::path& file) {
    const std::u8string path = file.u8string();
    return std::string(path.begin(), path.end());
}

std::string AbsolutePathText(const std::filesystem::path& file) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(file, error);
    return PathText((error ? file : absolute).lexically_normal());
}

std::filesystem::path FileIdentity(const std::filesystem::path& file) {
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(file, error);
    return error ? file.lexically_normal() : canonical;
}

std::vector<std::filesystem::path> AuditFilesNewestFirst(const std::filesystem::path& file) {
    std::vector<std::filesystem::path> files{file};
    std::error_code error;
    for (;;) {
        std::filesystem::path rotated = RotatedAuditFile(file, static_cast<unsigned>(files.size()));
        if (!std::filesystem::exists(rotated, error)) {
            return files;
        }
        files.push_back(std::move(rotated));
    }
}

}  // namespace Corvane
