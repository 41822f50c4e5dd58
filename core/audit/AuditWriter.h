// The audit file: one JSON line for every decision the plugin makes on a
// player's line, appended before anything of it happens, so that nothing runs
// unrecorded. The plugin only ever appends to it, and renames it to rotate it.
//
// The plugin state owns one AuditWriter for the file the settings in force name.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/audit/AuditRecord.h"
#include "core/audit/RecordWindow.h"
#include "core/platform/File.h"
#include "core/settings/AuditRotation.h"
#include "core/settings/ConfigReader.h"
#include "core/settings/Settings.h"

namespace Corvane {

class AuditWriter {
public:
    // No file: nothing is written, and every append succeeds.
    explicit AuditWriter(std::optional<std::filesystem::path> file,
                         std::optional<AuditRotation> rotation = {}, RecordWindow window = {},
                         std::string server = {})
        : file_(std::move(file)),
          rotation_(rotation),
          window_(std::move(window)),
          server_(std::move(server)) {}

    const std::optional<std::filesystem::path>& File() const { return file_; }
    // This server's name in a cluster, written in every line it makes; empty outside one.
    const std::string& Server() const { return server_; }

    // Appends AuditLine(record) and a line break with one write, the file
    // opened for appending (created, with its missing folders, when missing)
    // and closed again: a file moved away is created anew at the next line.
    //
    // A write that fails after writing part of the line leaves that part,
    // and the next line starts with a line break, so that the part stands on
    // a line of its own, which readers skip. That is remembered for the file
    // while the plugin stays loaded, whatever writer appends next (a reload
    // makes new ones).
    //
    // With a rotation, an append that would take the file past maxBytes
    // rotates it first (with other servers appending to the file too, it may
    // pass maxBytes by what they append in 16 appends of this one). The new
    // file starts with the carried lines (RecordedUses.h) of the granted uses
    // the rotated file holds within the window and kRecordSlack
    // (RecordWindow.h), which don't count toward maxBytes: so the rotation
    // never needs a file it deletes, and never loops. A rotation that fails
    // (a file that can't be renamed or read) leaves the line to the current
    // file, and says so in one error line of the plugin's log until a
    // rotation succeeds.
    //
    // Throws std::runtime_error "Can't <verb> the audit file <path>: <reason>"
    // when the line could not be written.
    void Append(const AuditRecord& record) { AppendLine(AuditLine(record, server_)); }
    // The same for a line of JSON already made, without its line break.
    void AppendLine(std::string line);

private:
    bool RotationDue(Platform::AppendingFile& opened, std::size_t adding);
    // The carried lines for the new file, with their line breaks; none when
    // the rotation failed.
    std::vector<std::string> Rotate();
    std::vector<std::string> CarriedLines() const;

    std::optional<std::filesystem::path> file_;
    std::optional<AuditRotation> rotation_;
    RecordWindow window_;
    std::string server_;
    // A rotation failed, and its error line is in the log.
    bool rotationFailing_ = false;
    // The file's size when last measured, and what this writer appended since.
    // Measuring costs a system call, as much as a third of an append: it is
    // measured when this says a rotation is due, and every few appends for
    // what other writers of the file appended.
    std::optional<std::uint64_t> size_;
    // The bytes of the carried lines the file starts with, once measured.
    std::optional<std::uint64_t> carriedBytes_;
    unsigned appendsUnmeasured_ = 0;
};

// The writer for the audit file the settings name.
AuditWriter WriterFor(const Settings& settings);

// Why the file can't be opened for appending, its missing folders created and
// nothing written: the system's reason; empty when it can.
std::string AuditFileProblem(const std::filesystem::path& file);

// The check a load makes beyond the file, when the file has no error: whether
// the audit file can be opened for appending (its missing folders created,
// nothing written). A warning when it can't: every use would be refused until
// it can. Kept apart from ReadSettings, which reads files that are not the
// server's (to find the audit file, to fuzz) and must not create anything
// where they point.
void CheckAuditFileWritable(SettingsReading& reading);

}  // namespace Corvane
