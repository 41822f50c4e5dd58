#include "tests/companion/AuditFiles.h"

#include <gtest/gtest.h>

#include <fstream>

#include <fmt/chrono.h>
#include <fmt/format.h>

#include "core/settings/AuditPath.h"

namespace CompanionTests {
namespace fs = std::filesystem;

std::string AuditLine(const std::string& server, const std::string& steamId, const std::string& command,
                      const std::string& outcome, std::chrono::system_clock::time_point time) {
    const auto seconds = std::chrono::floor<std::chrono::seconds>(time);
    const std::string named = server.empty() ? "" : fmt::format(R"("server":"{}",)", server);
    return fmt::format(R"({{"time":"{:%Y-%m-%dT%H:%M:%S}Z",{}"steamId":"{}","character":"c","command":"{}",)"
                       R"("permission":"Cheat.x","outcome":"{}"}})",
                       seconds, named, steamId, command, outcome);
}

void Append(const fs::path& file, const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    // One write, as the plugin appends.
    std::ofstream stream(file, std::ios::binary | std::ios::app);
    stream.rdbuf()->pubsetbuf(nullptr, 0);
    stream.write(text.data(), static_cast<std::streamsize>(text.size()));
    ASSERT_TRUE(stream.good()) << Corvane::PathText(file);
}

void Rotate(const fs::path& file, unsigned keep) {
    std::error_code ignored;
    fs::remove(Corvane::RotatedAuditFile(file, keep), ignored);
    for (unsigned number = keep; number-- > 0;) {
        fs::rename(Corvane::RotatedAuditFile(file, number), Corvane::RotatedAuditFile(file, number + 1),
                   ignored);
    }
}

std::vector<std::string> Lines(const fs::path& file) {
    std::vector<std::string> lines;
    std::ifstream stream(file);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

}  // namespace CompanionTests
