// One reading of config.json under way: the document, where a relative path
// is taken from, and the problems found so far, in the order they are found.
// Each member's read function (MemberTable.h) is given it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/settings/ConfigFile.h"
#include "core/settings/ConfigProblem.h"
#include "core/settings/ConfigSchema.h"

namespace Corvane {

// "a string", "an object": how a problem names a value's type.
std::string WithArticle(const nlohmann::json& value);

// The text of a name that is not a plain command name, and what that costs.
std::string NotAName(const std::string& name, const char* consequence);

class ConfigReading {
public:
    using Severity = ConfigProblem::Severity;

    ConfigReading(const ConfigFile& read, const std::filesystem::path& folder)
        : file(read), document(read.document), pluginFolder(folder) {}

    void Add(Severity severity, std::string position, std::string description);
    void Add(ConfigProblem problem);
    std::size_t ProblemCount() const { return problems_.size(); }
    std::vector<ConfigProblem> TakeProblems() { return std::move(problems_); }

    // Members of object not known at level, each naming the member it is
    // close to, or where it belongs: an error when that is a control, which
    // would otherwise silently not apply; a warning otherwise.
    void CheckUnknown(const nlohmann::json& object, ConfigLevel level, const std::string& position);
    // The error of a key a control's object does not take; whose: "of a command".
    void NotASetting(ConfigLevel level, const std::string& parent, const std::string& key, const char* whose);
    // A whole number from least to most, or an error naming the member.
    std::optional<std::uint64_t> WholeNumber(const nlohmann::json& value, const std::string& position,
                                             std::uint64_t least, std::uint64_t most, const char* what);

    const ConfigFile& file;
    const nlohmann::json& document;
    const std::filesystem::path& pluginFolder;

private:
    std::vector<ConfigProblem> problems_;
};

}  // namespace Corvane
