// The stand-in permissions plugin: per-player sets of exact, case-sensitive
// permission names. Plugins query it through the exported
// IsPlayerHasPermission; hosts and tests grant and revoke here.
#pragma once

#include <cstdint>

#include "host/WideChar.h"

#if defined(_WIN32)
#define PERMISSIONS_API __declspec(dllexport)
#else
#define PERMISSIONS_API __attribute__((visibility("default")))
#endif

namespace DevPermissions {
PERMISSIONS_API void Grant(std::uint64_t steamId, WideStringView permission);
PERMISSIONS_API void Revoke(std::uint64_t steamId, WideStringView permission);
PERMISSIONS_API void RevokeAll();
// How often plugins asked, since the last RevokeAll.
PERMISSIONS_API std::uint64_t QueryCount();
}  // namespace DevPermissions
