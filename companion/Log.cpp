#include "companion/Log.h"

#include <chrono>
#include <cstdio>

#include <fmt/format.h>

#include "companion/AuditFields.h"

namespace Companion {
namespace {

void Write(std::string_view level, std::string_view message) {
    const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    fmt::print(stderr, "{} [{}] {}\n", UtcText(now), level, message);
    std::fflush(stderr);
}

}  // namespace

void LogInfo(std::string_view message) {
    Write("info", message);
}

void LogWarning(std::string_view message) {
    Write("warning", message);
}

void LogError(std::string_view message) {
    Write("error", message);
}

}  // namespace Companion
