// The audit file: one JSON line for every decision the plugin makes on a
// player's line, appended before anything of it happens, so that nothing runs
// unrecorded. The plugin only ever appends to it.
//
// The plugin state owns one AuditWriter for the file the settings in force name.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "core/AuditRotation.h"
#include "host/WideChar.h"

namespace Corvane {

struct AuditRecord {
    std::uint64_t steamId = 0;
    std::string character;  // UTF-8
    // A /cheat line's command: the text after the prefix.
    WideString command;
    // A /corvane line's action ("reload", "check"), written instead of a command.
    std::string action;
    // The permission asked of the permissions plugin, when one was.
    std::optional<WideString> permission;
    // "granted", "refused", "rejected", "denied", "cooldown", "failed", "reloaded".
    std::string outcome;
    std::string error;  // what failed, when the outcome is "failed"
};

// The record as one line of JSON, without its line break. A command that did
// not run keeps at most its first 1,000 characters; "cut" says how many more
// there were.
std::string AuditLine(const AuditRecord& record);

class AuditWriter {
public:
    // No file: nothing is written, and every append succeeds.
    explicit AuditWriter(std::optional<std::filesystem::path> file,
                         std::optional<AuditRotation> rotation = {})
        : file_(std::move(file)), rotation_(rotation) {}

    const std::optional<std::filesystem::path>& File() const { return file_; }
    // Appends AuditLine(record) and a line break, creating missing folders.
    // Throws std::runtime_error naming the path and the system's reason.
    void Append(const AuditRecord& record) const;

private:
    std::optional<std::filesystem::path> file_;
    std::optional<AuditRotation> rotation_;
};

}  // namespace Corvane
