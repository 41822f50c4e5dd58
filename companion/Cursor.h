// What the companion keeps in the audit folder, in one file named after the
// audit file and the server (CheatAudit.jsonl.island-1.instance): its
// instance id, and how far it has copied (the place in the audit files and
// the sequence number of the last line copied). Replaced whole after every
// copy, so that a crash leaves the last one. A lost audit folder loses it,
// and the companion starts again as a new instance.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "companion/AuditChain.h"

namespace Companion {

struct Cursor {
    std::string instance;  // 32 lowercase hex digits
    std::uint64_t seq = 0;
    std::optional<ChainPosition> position;  // none before the first line
};

std::filesystem::path CursorFile(const std::filesystem::path& auditFile, const std::string& server);

struct LoadedCursor {
    Cursor cursor;
    bool fresh = false;    // a new instance: there was no file
    bool damaged = false;  // a new instance: the file could not be read
};
// The saved cursor, or a new instance with a random id.
LoadedCursor LoadCursor(const std::filesystem::path& file);
bool SaveCursor(const std::filesystem::path& file, const Cursor& cursor);

// The cursor as saved, and back.
std::string CursorText(const Cursor& cursor);
std::optional<Cursor> ParseCursor(const std::string& text);

}  // namespace Companion
