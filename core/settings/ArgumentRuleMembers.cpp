#include "core/settings/ArgumentRuleMembers.h"

#include <fmt/format.h>

#include <array>
#include <cmath>

#include "host/Velkor.h"

namespace Corvane {
namespace {

using nlohmann::json;
using Severity = ConfigProblem::Severity;

std::optional<double> Number(ConfigReading& reading, const std::string& position, const json& value) {
    if (!value.is_number()) {
        reading.Add(Severity::Error, position, "is " + WithArticle(value) + ", not a number");
        return std::nullopt;
    }
    return value.get<double>();
}

// Left as it was when the value is no true or false.
void ReadSwitch(ConfigReading& reading, const std::string& position, const json& value, bool& setting) {
    if (!value.is_boolean()) {
        reading.Add(Severity::Error, position, "is " + WithArticle(value) + ", not true or false");
    } else {
        setting = value.get<bool>();
    }
}

void ReadMin(ConfigReading& reading, const std::string& position, const json& value, ArgumentRule& rule) {
    if (const auto number = Number(reading, position, value)) {
        rule.min = number;
    }
}

void ReadMax(ConfigReading& reading, const std::string& position, const json& value, ArgumentRule& rule) {
    if (const auto number = Number(reading, position, value)) {
        rule.max = number;
    }
}

void ReadWhole(ConfigReading& reading, const std::string& position, const json& value, ArgumentRule& rule) {
    ReadSwitch(reading, position, value, rule.whole);
}

void ReadPermission(ConfigReading& reading, const std::string& position, const json& value,
                    ArgumentRule& rule) {
    ReadSwitch(reading, position, value, rule.permission);
}

void ReadAllow(ConfigReading& reading, const std::string& position, const json& list, ArgumentRule& rule) {
    if (!list.is_array() || list.empty()) {
        reading.Add(Severity::Error, position,
                    "is " + (list.is_array() ? std::string("an empty list") : WithArticle(list)) +
                        ", not a list of patterns: no argument could pass");
        return;
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string at = position + "/" + std::to_string(i);
        if (!list[i].is_string()) {
            reading.Add(Severity::Error, at, "is " + WithArticle(list[i]) + ", not a pattern");
        } else if (list[i].get_ref<const std::string&>().empty()) {
            reading.Add(Severity::Error, at,
                        "is empty: it would match only an empty argument, which no one can type");
        } else {
            rule.allow.push_back(Velkor::Tools::Utf8Decode(list[i].get<std::string>()));
        }
    }
}

constexpr std::array kRuleMembers{
    Member<ArgumentRule>{"Min", MemberKind::Control, ReadMin},
    Member<ArgumentRule>{"Max", MemberKind::Control, ReadMax},
    Member<ArgumentRule>{"Whole", MemberKind::Control, ReadWhole},
    Member<ArgumentRule>{"Allow", MemberKind::Control, ReadAllow},
    Member<ArgumentRule>{"Permission", MemberKind::Control, ReadPermission},
};

constexpr MemberLevel<Member<ArgumentRule>> kRuleLevel{
    ConfigLevel::ArgumentRule, "/Commands/<name>/Arguments/<n>", "of an argument rule", kRuleMembers};

// A rule no argument could pass stops the load.
void CheckSomeArgumentPasses(ConfigReading& reading, const std::string& position, const ArgumentRule& rule) {
    if (rule.min && rule.max && *rule.min > *rule.max) {
        reading.Add(Severity::Error, position + "/Max",
                    fmt::format("is below Min ({}): no argument could pass", *rule.min));
    } else if (rule.whole && rule.min && rule.max && std::ceil(*rule.min) > std::floor(*rule.max)) {
        reading.Add(Severity::Error, position + "/Whole",
                    fmt::format("no whole number lies from Min ({}) to Max ({}): no argument could pass",
                                *rule.min, *rule.max));
    }
}

ArgumentRule ReadArgumentRule(ConfigReading& reading, const std::string& position, const json& object) {
    ArgumentRule rule;
    rule.pointer = position;
    ReadInDocumentOrder(reading, kRuleLevel, position, object, rule);
    CheckSomeArgumentPasses(reading, position, rule);
    return rule;
}

}  // namespace

const MemberLevel<Member<ArgumentRule>>& ArgumentRuleLevel() {
    return kRuleLevel;
}

std::vector<std::optional<ArgumentRule>> ReadArgumentRules(ConfigReading& reading,
                                                           const std::string& position, const json& list) {
    std::vector<std::optional<ArgumentRule>> rules;
    if (!list.is_array()) {
        reading.Add(Severity::Error, position, "is " + WithArticle(list) + ", not a list of argument rules");
        return rules;
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string at = position + "/" + std::to_string(i);
        if (list[i].is_null() || (list[i].is_object() && list[i].empty())) {
            rules.emplace_back();
        } else if (!list[i].is_object()) {
            reading.Add(Severity::Error, at,
                        "is " + WithArticle(list[i]) + ", not an argument rule (an object, or null)");
            rules.emplace_back();
        } else {
            rules.push_back(ReadArgumentRule(reading, at, list[i]));
        }
    }
    return rules;
}

}  // namespace Corvane
