// The permissions plugin as the gate reaches it: its library is loaded on the
// first question, not at load, since the framework may load it after us.
#pragma once

#include <cstdint>

#include "engine/FString.h"

namespace Corvane::PermissionsPlugin {

// Asks the permissions plugin. Throws std::runtime_error, granting nothing,
// when its library can't be loaded or lacks the query; the next question tries again.
bool IsPlayerHasPermission(std::uint64_t steamId, const FString& permission);

}  // namespace Corvane::PermissionsPlugin
