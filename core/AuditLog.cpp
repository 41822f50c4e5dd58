#include "core/AuditLog.h"

#include <fmt/chrono.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <system_error>

#include <nlohmann/json.hpp>

#include "core/CommandText.h"
#include "core/platform/File.h"
#include "engine/WideText.h"

namespace Corvane {
namespace {

constexpr std::size_t kCommandLimit = 1000;

std::string UtcNow() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    return fmt::format("{:%Y-%m-%dT%H:%M:%SZ}", fmt::gmtime(now));
}

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

std::string AuditLine(const AuditRecord& record) {
    nlohmann::ordered_json line;
    line["time"] = UtcNow();
    line["steamId"] = std::to_string(record.steamId);
    line["character"] = record.character;
    WideStringView command = record.command;
    const bool ran = record.outcome == "granted";
    if (!record.action.empty()) {
        line["action"] = record.action;
    } else if (const std::size_t cut = CutPoint(command, kCommandLimit); !ran && cut < command.size()) {
        line["command"] = Engine::ToUtf8(command.substr(0, cut));
        line["cut"] = command.size() - cut;
    } else {
        line["command"] = Engine::ToUtf8(command);
    }
    if (record.permission) {
        line["permission"] = Engine::ToUtf8(*record.permission);
    }
    line["outcome"] = record.outcome;
    if (record.outcome == "failed") {
        line["error"] = record.error;
    }
    return Engine::EscapeInvisibleInJson(line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

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
