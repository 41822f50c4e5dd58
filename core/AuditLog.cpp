#include "core/AuditLog.h"

#include <fmt/format.h>

#include <stdexcept>
#include <system_error>

#include "core/platform/File.h"
#include "engine/WideText.h"

namespace Corvane {
namespace {

namespace fs = std::filesystem;

std::string Shown(const fs::path& file) {
    const std::u8string path = file.u8string();
    return std::string(path.begin(), path.end());
}

[[noreturn]] void Fail(const char* what, const fs::path& file, const std::string& reason) {
    throw std::runtime_error(
        fmt::format("Can't {} the audit file {}: {}", what, Engine::EscapeForLog(Shown(file)), reason));
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

}  // namespace

void AuditWriter::Append(const AuditRecord& record) {
    if (!file_) {
        return;
    }
    const fs::path& file = *file_;
    const std::string line = AuditLine(record) + "\n";
    Platform::AppendingFile opened;
    if (const std::optional<Failure> failure = OpenCreatingFolders(opened, file)) {
        Fail(failure->verb, file, failure->reason);
    }
    const std::string text = fragmentLeft_ ? "\n" + line : line;
    const std::size_t written = opened.Write(text);
    if (written == text.size()) {
        if (!opened.Close()) {
            Fail("write", file, opened.Reason());
        }
        fragmentLeft_ = false;
        return;
    }
    std::string reason = opened.Reason().empty()
                             ? fmt::format("only {} of {} bytes were written", written, text.size())
                             : opened.Reason();
    if (written > 0 && !opened.CutBack(file, written)) {
        fragmentLeft_ = true;
        reason += fmt::format(", and they can't be cut back ({}): the next line starts on a line of its own",
                              opened.Reason());
    }
    Fail("write", file, reason);
}

}  // namespace Corvane
