#include "core/AuditLog.h"

#include <fmt/chrono.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <system_error>

#include <nlohmann/json.hpp>

#include "core/platform/File.h"
#include "engine/WideText.h"
#include "host/Velkor.h"

namespace Corvane {
namespace {

constexpr std::size_t kCommandLimit = 1000;

const char* OutcomeName(AuditOutcome outcome) {
    switch (outcome) {
        case AuditOutcome::Granted: return "granted";
        case AuditOutcome::Refused: return "refused";
        case AuditOutcome::Rejected: return "rejected";
        case AuditOutcome::Denied: return "denied";
        case AuditOutcome::Cooldown: return "cooldown";
        case AuditOutcome::Failed: return "failed";
    }
    return "failed";
}

std::string UtcNow() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    return fmt::format("{:%Y-%m-%dT%H:%M:%SZ}", fmt::gmtime(now));
}

[[noreturn]] void Fail(const char* what, const std::filesystem::path& file, int error) {
    throw std::runtime_error(fmt::format("Can't {} the audit file {}: {}", what,
                                         Engine::EscapeForLog(file.string()),
                                         std::generic_category().message(error)));
}

}  // namespace

std::filesystem::path AuditFilePath(const std::string& configured) {
    const std::filesystem::path path(std::u8string(configured.begin(), configured.end()));
    if (path.is_absolute()) {
        return path;
    }
    const std::string folder = Velkor::Tools::GetCurrentDir() + "/Velkor/Plugins/Corvane";
    return std::filesystem::path(std::u8string(folder.begin(), folder.end())) / path;
}

std::string AuditLine(const AuditRecord& record) {
    nlohmann::ordered_json line;
    line["time"] = UtcNow();
    line["steamId"] = std::to_string(record.steamId);
    line["character"] = record.character;
    WideStringView command = record.command;
    const bool ran = record.outcome == AuditOutcome::Granted;
    if (!ran && command.size() > kCommandLimit) {
        line["command"] = Engine::ToUtf8(command.substr(0, kCommandLimit));
        line["cut"] = command.size() - kCommandLimit;
    } else {
        line["command"] = Engine::ToUtf8(command);
    }
    if (record.permission) {
        line["permission"] = Engine::ToUtf8(*record.permission);
    }
    line["outcome"] = OutcomeName(record.outcome);
    if (record.outcome == AuditOutcome::Failed) {
        line["error"] = record.error;
    }
    return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void AppendAuditLine(const std::filesystem::path& file, const AuditRecord& record) {
    const std::string text = AuditLine(record) + "\n";
    std::error_code created;
    std::filesystem::create_directories(file.parent_path(), created);
    if (created) {
        Fail("create the folder of", file, created.value());
    }
    errno = 0;
    std::FILE* stream = Platform::OpenForAppending(file);
    if (stream == nullptr) {
        Fail("open", file, errno);
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), stream) == text.size();
    const bool flushed = written && std::fflush(stream) == 0;
    const int error = errno;
    const bool closed = std::fclose(stream) == 0;
    if (!written || !flushed || !closed) {
        Fail("write", file, error != 0 ? error : errno != 0 ? errno : EIO);
    }
}

}  // namespace Corvane
