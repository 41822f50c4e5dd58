// The permissions plugin, reached through its library on first use.
#include "host/Permissions.h"

#include <stdexcept>
#include <string>

#include "core/platform/Library.h"

namespace {

Permissions::QueryFunction LoadQuery() {
    std::string error;
    void* library = Platform::LoadLibraryByName(Platform::kPermissionsLibrary, error);
    if (library == nullptr) {
        throw std::runtime_error(std::string("Can't load the permissions plugin ") +
                                 Platform::kPermissionsLibrary + ": " + error);
    }
    void* query = Platform::FindExport(library, Permissions::kQueryExport);
    if (query == nullptr) {
        throw std::runtime_error(std::string("The permissions plugin has no ") + Permissions::kQueryExport);
    }
    return reinterpret_cast<Permissions::QueryFunction>(query);
}

}  // namespace

bool Permissions::IsPlayerHasPermission(std::uint64_t steamId, const FString& permission) {
    // Resolved once; a failed attempt is retried at the next question.
    static QueryFunction query = nullptr;
    if (query == nullptr) {
        query = LoadQuery();
    }
    return query(steamId, permission);
}
