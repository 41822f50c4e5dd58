// One reading of the audit record backwards, over one file or several: the
// granted uses it holds from a time on, each counted once (RecordedUses.h),
// and what else a reader needs of it.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

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

    const RecordedUses& Uses() const { return uses_; }
    // Lines read, of every kind.
    std::size_t Lines() const { return lines_; }
    // Lines that are no record of a decision (a torn line, say).
    std::size_t Skipped() const { return skipped_; }
    // Lines whose outcome or action this version does not know, by that name.
    const std::map<std::string, std::size_t>& PassedOver() const { return passedOver_; }
    // The files reload lines name as the audit file before them, in the order met.
    const std::vector<std::string>& PreviousFiles() const { return previousFiles_; }

private:
    const std::chrono::sys_seconds since_;
    const std::chrono::sys_seconds stopBefore_;
    const std::set<std::string> wrappers_;
    std::size_t files_ = 0;
    RecordedUses uses_;
    std::size_t lines_ = 0;
    std::size_t skipped_ = 0;
    std::map<std::string, std::size_t> passedOver_;
    std::vector<std::string> previousFiles_;
};

}  // namespace Corvane
