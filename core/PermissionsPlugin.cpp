#include "core/PermissionsPlugin.h"

#include <stdexcept>
#include <string>

#include "core/platform/Library.h"
#include "host/Permissions.h"

namespace Corvane::PermissionsPlugin {
namespace {

::Permissions::IsPlayerHasPermissionFunction LoadQuery() {
    std::string error;
    void* library = Platform::LoadLibraryByName(Platform::kPermissionsLibrary, error);
    if (library == nullptr) {
        throw std::runtime_error(std::string("Can't load the permissions plugin ") +
                                 Platform::kPermissionsLibrary + ": " + error);
    }
    void* query = Platform::FindExport(library, ::Permissions::kIsPlayerHasPermission);
    if (query == nullptr) {
        throw std::runtime_error(std::string("The permissions plugin has no ") +
                                 ::Permissions::kIsPlayerHasPermission);
    }
    return reinterpret_cast<::Permissions::IsPlayerHasPermissionFunction>(query);
}

}  // namespace

bool IsPlayerHasPermission(std::uint64_t steamId, const FString& permission) {
    // Resolved once; a failed attempt is retried at the next question.
    static ::Permissions::IsPlayerHasPermissionFunction query = nullptr;
    if (query == nullptr) {
        query = LoadQuery();
    }
    return query(steamId, permission);
}

}  // namespace Corvane::PermissionsPlugin
