// The permissions plugin as the gate reaches it: its library is loaded on the
// first question, not at load, since the framework may load it after us.
#pragma once

#include <cstdint>

#include "engine/FString.h"

namespace Corvane::PermissionsPlugin {

// Asks the permissions plugin, loading its library on the first question.
// Throws std::runtime_error, granting nothing, when the library can't be
// loaded or lacks the query; the next question tries again.
bool IsPlayerHasPermission(std::uint64_t steamId, const FString& permission);

// Lets go of the library (at unload), so that the framework can unload or
// reload the permissions plugin; the next question loads it anew.
void Release();

}  // namespace Corvane::PermissionsPlugin
