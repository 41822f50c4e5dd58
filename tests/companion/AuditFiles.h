// Audit files as the plugin writes and rotates them, for the companion's tests.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace CompanionTests {

// An audit line as the plugin writes it; server empty for none.
std::string AuditLine(const std::string& server, const std::string& steamId, const std::string& command,
                      const std::string& outcome = "granted",
                      std::chrono::system_clock::time_point time = std::chrono::system_clock::now());
// Appends lines with one write, as the plugin does.
void Append(const std::filesystem::path& file, const std::vector<std::string>& lines);
// Rotates as the plugin does: <name>.<n><ext> up by one, the one beyond keep deleted.
void Rotate(const std::filesystem::path& file, unsigned keep);
std::vector<std::string> Lines(const std::filesystem::path& file);

}  // namespace CompanionTests
