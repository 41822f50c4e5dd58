// The audit file: one JSON line for every decision the plugin makes on a
// player's line, appended before anything of it happens, so that nothing runs
// unrecorded. The plugin only ever appends to it.
//
// The plugin state owns one AuditWriter for the file the settings in force name.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "core/AuditLine.h"
#include "core/AuditRotation.h"

namespace Corvane {

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
