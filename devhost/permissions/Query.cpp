// The query plugins ask (host/Permissions.h). A build of the stand-in
// without this file is a permissions plugin that lacks its query.
#include "devhost/permissions/Grants.h"
#include "engine/FString.h"

extern "C" PERMISSIONS_API bool IsPlayerHasPermission(std::uint64_t steamId, const FString& permission) {
    return DevPermissions::TheGrants().Holds(steamId, permission.View());
}
