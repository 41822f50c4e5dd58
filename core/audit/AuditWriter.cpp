#include "core/audit/AuditWriter.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <mutex>
#include <set>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "core/audit/AuditEntry.h"
#include "core/audit/BackwardLines.h"
#include "core/audit/RecordReading.h"
#include "core/platform/File.h"
#include "core/settings/AuditPath.h"
#include "core/text/PluginLog.h"
#include "engine/WideText.h"

namespace Corvane {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void Fail(const char* what, const fs::path& file, const std::string& reason) {
    throw std::runtime_error(fmt::format("Can't {} the audit file {}: {}", what, PathText(file), reason));
}

// The files that end in part of a line, after a write that wrote only part of it. Kept by
// path, not by writer: a reload writes its line through a writer of its own,
// then puts another in force.
class FilesEndingMidLine {
public:
    bool Holds(const fs::path& file) {
        const std::lock_guard lock(mutex_);
        return files_.contains(file);
    }
    void Mark(const fs::path& file, bool midLine) {
        const std::lock_guard lock(mutex_);
        if (midLine) {
            files_.insert(file);
        } else {
            files_.erase(file);
        }
    }

private:
    std::mutex mutex_;
    std::set<fs::path> files_;
};

FilesEndingMidLine& EndingMidLine() {
    static FilesEndingMidLine files;
    return files;
}

struct Failure {
    const char* verb;
    std::string reason;
};

// Folders are made only when the open shows one missing: the common case,
// an existing file, costs one open.
std::optional<Failure> OpenCreatingFolders(Platform::AppendingFile& opened, const fs::path& file) {
    if (opened.Open(file)) {
        return std::nullopt;
    }
    if (!opened.FolderMissing()) {
        return Failure{"open", opened.Reason()};
    }
    std::error_code created;
    fs::create_directories(file.parent_path(), created);
    if (created) {
        return Failure{"create the folder of", created.message()};
    }
    if (opened.Open(file)) {
        return std::nullopt;
    }
    return Failure{"open", opened.Reason()};
}

// Shifts the numbered files up by one, the oldest first, so that each rename
// replaces only the file beyond keep; empty, or what failed.
std::string ShiftFiles(const fs::path& file, std::uint32_t keep) {
    if (keep == 0) {
        std::error_code removed;
        fs::remove(file, removed);
        return removed ? "can't delete it: " + removed.message() : "";
    }
    for (std::uint32_t number = keep; number >= 1; --number) {
        const fs::path from = RotatedAuditFile(file, number - 1);
        std::error_code missing;
        if (number > 1 && !fs::exists(from, missing)) {
            continue;
        }
        const fs::path to = RotatedAuditFile(file, number);
        if (const std::string reason = Platform::Rename(from, to); !reason.empty()) {
            return fmt::format("can't rename {} to {}: {}", PathText(from.filename()),
                               PathText(to.filename()), reason);
        }
    }
    return "";
}

// Writes text, a line and its break, with one write; the bytes written. A
// part written stays: cutting it off could cut off a line another server
// appended after it. The next line starts on a line of its own instead.
std::size_t WriteWhole(Platform::AppendingFile& opened, const fs::path& file, std::string text) {
    const bool afterPart = EndingMidLine().Holds(file);
    if (afterPart) {
        text.insert(0, 1, '\n');
    }
    const std::size_t written = opened.Write(text);
    if (written == text.size()) {
        if (afterPart) {
            EndingMidLine().Mark(file, false);
        }
        return written;
    }
    std::string reason = opened.Reason().empty()
                             ? fmt::format("only {} of {} bytes were written", written, text.size())
                             : opened.Reason();
    if (written > 0) {
        EndingMidLine().Mark(file, true);
        reason += ": the part written stands alone on a line, and the next line starts on a new one";
    }
    Fail("write", file, reason);
}

// The bytes of the carried lines the file starts with, which do not count
// toward its rotation; none when it can't be read.
std::uint64_t LeadingCarriedBytes(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    std::vector<char> line(kLongestAuditLine + 2);
    std::uint64_t bytes = 0;
    while (stream.getline(line.data(), static_cast<std::streamsize>(line.size())) && !stream.eof()) {
        const auto length = static_cast<std::size_t>(stream.gcount());
        const auto entry = ParseAuditEntry(std::string_view(line.data(), length - 1));
        if (!entry || entry->action != "carried") {
            break;
        }
        bytes += length;
    }
    return bytes;
}

}  // namespace

bool AuditWriter::RotationDue(Platform::AppendingFile& opened, std::size_t adding) {
    constexpr unsigned kMeasureEvery = 16;
    if (size_ && ++appendsUnmeasured_ < kMeasureEvery &&
        *size_ - *carriedBytes_ + adding <= rotation_->maxBytes) {
        return false;
    }
    const std::optional<std::uint64_t> measured = opened.Size();
    // Smaller than this writer left it: another server has rotated it.
    if (measured && (!carriedBytes_ || (size_ && *measured < *size_))) {
        carriedBytes_ = LeadingCarriedBytes(*file_);
    }
    size_ = measured;
    appendsUnmeasured_ = 0;
    return size_ && *size_ > *carriedBytes_ && *size_ - *carriedBytes_ + adding > rotation_->maxBytes;
}

std::vector<std::string> AuditWriter::CarriedLines() const {
    const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    const auto since = std::chrono::floor<std::chrono::seconds>(now - window_.length) - kRecordSlack;
    RecordReading reading(since, since - kRecordSlack, window_.wrappers);
    reading.ReadBack(*file_);
    // In the record's order, so that a forgive line stays after the uses it
    // forgave in other files too (though those are not carried).
    std::vector<std::pair<LineAge, std::string>> ordered;
    for (const RecordedUses::Counted& counted : reading.Unforgiven()) {
        ordered.insert(ordered.end(), counted.times,
                       {counted.age, CarriedLine(counted.hash, counted.said[0]) + '\n'});
    }
    for (const RecordedForgive& forgive : reading.Forgives()) {
        ordered.emplace_back(forgive.age, CarriedLine(forgive) + '\n');
    }
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<std::string> lines;
    lines.reserve(ordered.size());
    for (auto& [age, line] : ordered) {
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<std::string> AuditWriter::Rotate() {
    std::vector<std::string> carried;
    std::string problem;
    try {
        carried = CarriedLines();
    } catch (const std::runtime_error& error) {
        problem = error.what();
    }
    if (problem.empty()) {
        problem = ShiftFiles(*file_, rotation_->keep);
    }
    if (problem.empty()) {
        size_ = 0;
        carriedBytes_ = 0;
        rotationFailing_ = false;
        EndingMidLine().Mark(*file_, false);
        return carried;
    }
    if (!rotationFailing_ && PluginLog()) {
        PluginLog()->error(std::string_view(Engine::EscapeForLog(fmt::format(
            "Can't rotate the audit file {} ({}): its lines go on into it until a rotation succeeds",
            PathText(*file_), problem))));
    }
    rotationFailing_ = true;
    return {};
}

void AuditWriter::AppendLine(std::string line) {
    if (!file_) {
        return;
    }
    const fs::path& file = *file_;
    line += '\n';
    Platform::AppendingFile opened;
    std::optional<Failure> failure = OpenCreatingFolders(opened, file);
    std::vector<std::string> carried;
    if (!failure && rotation_ && RotationDue(opened, line.size())) {
        opened.Close();
        carried = Rotate();
        failure = OpenCreatingFolders(opened, file);
    }
    if (failure) {
        Fail(failure->verb, file, failure->reason);
    }
    for (std::string& each : carried) {
        const std::size_t written = WriteWhole(opened, file, std::move(each));
        *size_ += written;
        *carriedBytes_ += written;
    }
    const std::size_t written = WriteWhole(opened, file, std::move(line));
    if (!opened.Close()) {
        Fail("write", file, opened.Reason());
    }
    if (size_) {
        *size_ += written;
    }
}

AuditWriter WriterFor(const Settings& settings) {
    return AuditWriter(settings.auditFile, settings.auditRotate, WindowOf(settings),
                       settings.cluster ? settings.cluster->server : std::string());
}

std::string AuditFileProblem(const fs::path& file) {
    Platform::AppendingFile opened;
    const std::optional<Failure> failure = OpenCreatingFolders(opened, file);
    return failure ? failure->reason : "";
}

void CheckAuditFileWritable(SettingsReading& reading) {
    const auto& file = reading.settings.auditFile;
    if (!file || reading.FirstError() != nullptr) {
        return;
    }
    if (const std::string problem = AuditFileProblem(*file); !problem.empty()) {
        reading.problems.push_back({ConfigProblem::Severity::Warning, "/AuditLog",
                                    PathText(*file) + " can't be written (" + problem +
                                        "): every use will be refused until it can"});
    }
}

}  // namespace Corvane
