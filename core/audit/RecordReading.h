// One reading of the audit record backwards, over one file or several: the
// granted uses it holds from a time on, each counted once (RecordedUses.h),
// the forgive lines, and what else a reader needs of it.
//
// A forgive line forgives the uses the record holds before it. A line and
// the lines carrying it stand where the oldest of them does (its original,
// when the reading has it), so the carried lines at a file's start stand
// before everything in that file, and after the file they came from.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/audit/AuditEntry.h"
#include "core/audit/RecordedUses.h"

namespace Corvane {

class RecordReading {
public:
    // Uses from since on count. A line of a kind this version knows that is
    // older than stopBefore ends the reading of a file (and of the files
    // older than it); lines of kinds it does not know never do.
    RecordReading(std::chrono::sys_seconds since, std::chrono::sys_seconds stopBefore,
                  std::set<std::string> wrappers)
        : since_(since), stopBefore_(stopBefore), wrappers_(std::move(wrappers)) {}

    // Reads file from its end; false when it stopped at a line older than
    // stopBefore. Throws std::runtime_error when the file can't be read.
    bool ReadBack(const std::filesystem::path& file);

    // Every use once, the oldest first, but those a forgive line forgave.
    std::vector<RecordedUses::Counted> Unforgiven() const;
    // Every use once, the oldest first, those forgiven among them.
    std::vector<RecordedUses::Counted> Each() const { return uses_.Each(); }
    // The forgive lines from since on, each once, the oldest first.
    std::vector<RecordedForgive> Forgives() const;
    // The uses within the window that a forgive line forgave: known once
    // Unforgiven() has been asked.
    std::size_t Forgiven() const { return forgiven_; }
    // Lines read, of every kind.
    std::size_t Lines() const { return lines_; }
    // Lines that are no record of a decision (a torn line, say).
    std::size_t Skipped() const { return skipped_; }
    // Lines whose outcome or action this version does not know, by that name.
    const std::map<std::string, std::size_t>& PassedOver() const { return passedOver_; }
    // The files reload lines name as the audit file before them, in the order met.
    const std::vector<std::string>& PreviousFiles() const { return previousFiles_; }

private:
    void Forgive(const AuditEntry& entry, std::uint64_t hash, LineAge age);

    const std::chrono::sys_seconds since_;
    const std::chrono::sys_seconds stopBefore_;
    const std::set<std::string> wrappers_;
    std::size_t files_ = 0;
    RecordedUses uses_;
    std::map<std::uint64_t, RecordedForgive> forgives_;
    mutable std::size_t forgiven_ = 0;
    std::size_t lines_ = 0;
    std::size_t skipped_ = 0;
    std::map<std::string, std::size_t> passedOver_;
    std::vector<std::string> previousFiles_;
};

}  // namespace Corvane
