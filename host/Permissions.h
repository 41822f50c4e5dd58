// The permissions plugin's one query.
//
// The plugin reaches it on first use by loading the permissions library at run
// time; if that fails, the query throws std::runtime_error and grants nothing.
#pragma once

#include <cstdint>

class FString;

namespace Permissions {
bool IsPlayerHasPermission(std::uint64_t steamId, const FString& permission);

// Name of the exported function in the permissions library.
inline constexpr const char* kQueryExport = "IsPlayerHasPermission";
using QueryFunction = bool (*)(std::uint64_t steamId, const FString& permission);
}  // namespace Permissions
