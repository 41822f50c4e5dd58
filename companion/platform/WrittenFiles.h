// The files the companion writes: the feed, appended to while the plugin
// reads it, the feed's change counter, and the cursor, replaced whole.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "core/platform/FollowedFile.h"

namespace Companion {

// Appends lines, each with its line break, to file with one write, creating
// it when missing and leaving it free to be renamed or deleted meanwhile. A
// file that ends in part of a line (a write cut short) gets a line break
// first, so that the part stands on a line of its own and the first line
// appended is whole; with no lines, that line break is all that is written.
// Which file was written (its size before), none when it can't be.
std::optional<Corvane::Platform::FileStatus> AppendLines(const std::filesystem::path& file,
                                                         const std::string& lines);

// Adds one to the counter at file's start (Platform::MappedCounter), making
// the file when it is missing. Written in place, never shortened, so that a
// reader's mapping of it stays true. False when it can't be written.
bool BumpCounter(const std::filesystem::path& file);

// Writes text to file through a file beside it and a rename, so that a
// reader, or a crash, finds either the old text or the new, never a part.
bool ReplaceContents(const std::filesystem::path& file, const std::string& text);

}  // namespace Companion
