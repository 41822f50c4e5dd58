// The permissions plugin's one query, as its library exports it.
#pragma once

#include <cstdint>

class FString;

namespace Permissions {
// True when the player holds the permission; names are compared as given.
using IsPlayerHasPermissionFunction = bool (*)(std::uint64_t steamId, const FString& permission);
// The name the query is exported under.
inline constexpr const char* kIsPlayerHasPermission = "IsPlayerHasPermission";
}  // namespace Permissions
