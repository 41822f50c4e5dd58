// Where a configured "AuditLog" puts the audit file. A relative path is taken
// from the plugin's folder; a path that Windows would take from somewhere the
// plugin can't know (the current drive's root, a drive's current folder)
// names no file, and neither does, on another system, a path written for
// Windows: a config moved between servers names the same file or stops the
// load.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "core/platform/File.h"

namespace Corvane {

struct AuditPath {
    std::filesystem::path file;  // when problem is empty
    std::string problem;         // why the text names no file, for the load's error
};

// configured: UTF-8, not empty. windowsPaths: whether the path is read as
// Windows reads paths, as on this platform by default.
AuditPath ResolveAuditPath(const std::string& configured, const std::filesystem::path& pluginFolder,
                           bool windowsPaths = Platform::kWindowsPaths);

// <name>.<number><ext>, the name of a rotated file; number 0 is the file itself.
std::filesystem::path RotatedAuditFile(const std::filesystem::path& file, unsigned number);

// <feed>.changes, beside the cluster's feed: the counter its companion bumps
// after every write to the feed (Platform::MappedCounter).
std::filesystem::path FeedChangesFile(const std::filesystem::path& feed);

// The current file and its rotated files, newest first, as far as they go.
std::vector<std::filesystem::path> AuditFilesNewestFirst(const std::filesystem::path& file);

// A path as UTF-8 text, for messages.
std::string PathText(const std::filesystem::path& file);
// The same of the absolute path, as audit lines name files.
std::string AbsolutePathText(const std::filesystem::path& file);
// One name for every path to a file (links resolved as far as the file
// exists), so that two paths to it compare equal.
std::filesystem::path FileIdentity(const std::filesystem::path& file);

}  // namespace Corvane
