#include "core/AuditLog.h"

#include <fmt/format.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <system_error>

#include "core/platform/File.h"
#include "engine/WideText.h"

namespace Corvane {
namespace {

[[noreturn]] void Fail(const char* what, const std::filesystem::path& file, const std::string& reason) {
    const std::u8string path = file.u8string();
    throw std::runtime_error(fmt::format("Can't {} the audit file {}: {}", what,
                                         Engine::EscapeForLog(std::string(path.begin(), path.end())),
                                         reason));
}

std::string Reason(int error) {
    return std::generic_category().message(error != 0 ? error : EIO);
}

}  // namespace

void AuditWriter::Append(const AuditRecord& record) const {
    if (!file_) {
        return;
    }
    const std::filesystem::path& file = *file_;
    const std::string text = AuditLine(record) + "\n";
    std::error_code created;
    std::filesystem::create_directories(file.parent_path(), created);
    if (created) {
        Fail("create the folder of", file, created.message());
    }
    errno = 0;
    std::FILE* stream = Platform::OpenForAppending(file);
    if (stream == nullptr) {
        Fail("open", file, Reason(errno));
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), stream) == text.size();
    const bool flushed = written && std::fflush(stream) == 0;
    const int error = errno;
    const bool closed = std::fclose(stream) == 0;
    if (!written || !flushed || !closed) {
        Fail("write", file, Reason(error != 0 ? error : errno));
    }
}

}  // namespace Corvane
