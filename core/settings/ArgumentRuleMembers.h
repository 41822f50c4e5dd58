// The members of an argument rule (ArgumentRules.h): an element of an
// entry's "Arguments".
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/settings/ArgumentRules.h"
#include "core/settings/ConfigReading.h"
#include "core/settings/MemberTable.h"

namespace Corvane {

const MemberLevel<Member<ArgumentRule>>& ArgumentRuleLevel();

// "Arguments": one rule a position, none where the element is null or {}.
std::vector<std::optional<ArgumentRule>> ReadArgumentRules(ConfigReading& reading,
                                                           const std::string& position,
                                                           const nlohmann::json& list);

}  // namespace Corvane
