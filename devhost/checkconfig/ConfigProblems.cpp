#include "devhost/checkconfig/ConfigProblems.h"

#include <nlohmann/json.hpp>

#include "core/audit/AuditWriter.h"
#include "core/settings/ConfigFile.h"
#include "core/settings/ConfigReader.h"

namespace DevHost {
namespace {

using nlohmann::json;

constexpr const char* kNotLoaded = "the plugin would not load";
ConfigProblem Reported(const Corvane::ConfigProblem& problem) {
    std::string description = problem.description;
    if (problem.severity == Corvane::ConfigProblem::Severity::Error) {
        description += std::string(": ") + kNotLoaded;
    }
    return {problem.position, description};
}

}  // namespace

std::vector<ConfigProblem> FindConfigProblems(const std::filesystem::path& file,
                                              const std::filesystem::path& pluginFolder) {
    // Checked first: on some systems a directory opens as a file, and reading it throws.
    std::error_code ignored;
    if (std::filesystem::is_directory(file, ignored)) {
        return {{"", std::string("can't read the file, it is a directory: ") + kNotLoaded}};
    }
    // Read as the plugin reads it, with the plugin's own reader.
    Corvane::ConfigFile read;
    try {
        read = Corvane::ReadConfigFile(file);
    } catch (const std::runtime_error& error) {
        return {{"", std::string("can't open the file: ") + kNotLoaded + " (\"" + error.what() + "\")"}};
    } catch (const json::parse_error& error) {
        return {{"byte " + std::to_string(error.byte),
                 std::string("JSON syntax: ") + kNotLoaded + ": " + error.what()}};
    } catch (const json::out_of_range& error) {
        // A number beyond a double; the library gives no position, but its message quotes the number.
        return {{"", std::string("JSON number: ") + kNotLoaded + ": " + error.what()}};
    }
    std::vector<ConfigProblem> problems;
    Corvane::SettingsReading reading = Corvane::ReadSettings(read, pluginFolder);
    // An absolute AuditLog may name the very file checked, wherever it lies.
    if (auto same = Corvane::AuditLogNamesConfiguration(reading.settings, file)) {
        reading.problems.push_back(std::move(*same));
    }
    Corvane::CheckAuditFileWritable(reading);
    for (const Corvane::ConfigProblem& problem : reading.problems) {
        problems.push_back(Reported(problem));
    }
    return problems;
}

}  // namespace DevHost
