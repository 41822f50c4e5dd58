// The audit file: one JSON line for every decision on a /cheat line, appended
// (and flushed and closed) before anything of it happens, so that nothing
// runs unrecorded. The plugin only ever appends to it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "host/WideChar.h"

namespace Corvane {

enum class AuditOutcome { Granted, Refused, Rejected, Denied, Cooldown, Failed };

struct AuditRecord {
    std::uint64_t steamId = 0;
    std::string character;  // UTF-8
    WideString command;     // the text after the prefix
    // The permission asked of the permissions plugin, when one was.
    std::optional<WideString> permission;
    AuditOutcome outcome = AuditOutcome::Failed;
    std::string error;  // with Failed only
};

// Where the configured "AuditLog" (UTF-8) lies: a relative path is taken from
// the plugin's folder under the server directory.
std::filesystem::path AuditFilePath(const std::string& configured);

// The record as one line of JSON, without its line break. A command that did
// not run keeps at most its first 1,000 characters; "cut" says how many more
// there were.
std::string AuditLine(const AuditRecord& record);

// Appends AuditLine(record) and a line break to file, creating missing
// folders. Throws std::runtime_error naming the path and the system's reason.
void AppendAuditLine(const std::filesystem::path& file, const AuditRecord& record);

}  // namespace Corvane
