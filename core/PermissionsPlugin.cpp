#include "core/PermissionsPlugin.h"

#include <stdexcept>
#include <string>

#include "core/platform/Library.h"
#include "host/Permissions.h"

namespace Corvane::PermissionsPlugin {
namespace {

// The library's handle and query from the first question until unload.
struct Loaded {
    void* library = nullptr;
    ::Permissions::IsPlayerHasPermissionFunction query = nullptr;
};

Loaded& TheLoaded() {
    static Loaded loaded;
    return loaded;
}

Loaded Load() {
    std::string error;
    void* library = Platform::LoadLibraryByName(Platform::kPermissionsLibrary, error);
    if (library == nullptr) {
        throw std::runtime_error(std::string("Can't load the permissions plugin ") +
                                 Platform::kPermissionsLibrary + ": " + error);
    }
    void* query = Platform::FindExport(library, ::Permissions::kIsPlayerHasPermission);
    if (query == nullptr) {
        Platform::UnloadLibrary(library);
        throw std::runtime_error(std::string("The permissions plugin has no ") +
                                 ::Permissions::kIsPlayerHasPermission);
    }
    return {library, reinterpret_cast<::Permissions::IsPlayerHasPermissionFunction>(query)};
}

}  // namespace

bool IsPlayerHasPermission(std::uint64_t steamId, const FString& permission) {
    Loaded& loaded = TheLoaded();
    if (loaded.query == nullptr) {
        loaded = Load();
    }
    return loaded.query(steamId, permission);
}

void Release() {
    Loaded& loaded = TheLoaded();
    if (loaded.library != nullptr) {
        Platform::UnloadLibrary(loaded.library);
    }
    loaded = {};
}

}  // namespace Corvane::PermissionsPlugin
