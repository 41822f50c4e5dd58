#include "core/settings/ConfigReading.h"

#include <fmt/format.h>

namespace Corvane {

std::string WithArticle(const nlohmann::json& value) {
    const std::string type = value.type_name();
    return (type == "array" || type == "object" ? "an " : "a ") + type;
}

std::string NotAName(const std::string& name, const char* consequence) {
    return "\"" + name +
           "\" is not a command name (ASCII letters, digits and _ only, nothing else): " + consequence;
}

void ConfigReading::Add(Severity severity, std::string position, std::string description) {
    problems_.push_back({severity, std::move(position), std::move(description)});
}

void ConfigReading::Add(ConfigProblem problem) {
    problems_.push_back(std::move(problem));
}

void ConfigReading::CheckUnknown(const nlohmann::json& object, ConfigLevel level,
                                 const std::string& position) {
    for (const auto& [key, value] : object.items()) {
        if (!IsKnownMember(level, key)) {
            const auto hint = Suggestion(level, position, key);
            Add(hint && hint->control ? Severity::Error : Severity::Warning, MemberPointer(position, key),
                "is not read by the plugin" + (hint ? " " + hint->text : std::string()));
        }
    }
}

void ConfigReading::NotASetting(ConfigLevel level, const std::string& parent, const std::string& key,
                                const char* whose) {
    const auto hint = Suggestion(level, parent, key);
    Add(Severity::Error, MemberPointer(parent, key),
        std::string("is not a setting ") + whose + " (" + KnownMembers(level) + ")" +
            (hint ? " " + hint->text : std::string()));
}

std::optional<std::uint64_t> ConfigReading::WholeNumber(const nlohmann::json& value,
                                                        const std::string& position, std::uint64_t least,
                                                        std::uint64_t most, const char* what) {
    const bool whole = value.is_number_unsigned() ||
                       (value.is_number_integer() && value.get<std::int64_t>() >= 0) ||
                       (value.is_number_float() && value.get<double>() >= 0 &&
                        value.get<double>() <= static_cast<double>(most) &&
                        value.get<double>() == static_cast<double>(value.get<std::uint64_t>()));
    if (whole && value.get<std::uint64_t>() >= least && value.get<std::uint64_t>() <= most) {
        return value.get<std::uint64_t>();
    }
    Add(Severity::Error, position,
        "is " + (value.is_number() ? value.dump() : WithArticle(value)) +
            fmt::format(", not a whole number of {} from {} to {}", what, least, most));
    return std::nullopt;
}

}  // namespace Corvane
