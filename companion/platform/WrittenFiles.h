// The files the companion writes: the feed, appended to while the plugin
// reads it, and the cursor, replaced whole.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "core/platform/FollowedFile.h"

namespace Companion {

// Appends text to file with one write, creating it when missing, leaving it
// free to be renamed or deleted meanwhile; which file was written (its size
// before), none when it can't be.
std::optional<Corvane::Platform::FileStatus> AppendToFile(const std::filesystem::path& file,
                                                          const std::string& text);

// Writes text to file through a file beside it and a rename, so that a
// reader, or a crash, finds either the old text or the new, never a part.
bool ReplaceContents(const std::filesystem::path& file, const std::string& text);

}  // namespace Companion
