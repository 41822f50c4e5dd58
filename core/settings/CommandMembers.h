// "Commands" and the members of its entries, each the settings of one
// command name (CommandSettings in Settings.h).
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "core/settings/ConfigReading.h"
#include "core/settings/MemberTable.h"
#include "core/settings/Settings.h"

namespace Corvane {

const MemberLevel<Member<CommandSettings>>& CommandLevel();

// The row of "Commands" in the document's table.
void ReadCommands(ConfigReading& reading, const std::string& position, const nlohmann::json& commands,
                  Settings& settings);
// The uses cooldowns and use limits count are read again at load from the
// audit record: without one they live only as long as the plugin does.
void CheckCooldownsKept(ConfigReading& reading, Settings& settings);

}  // namespace Corvane
