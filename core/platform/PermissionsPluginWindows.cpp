#include <windows.h>

#include <stdexcept>
#include <string>

#include "core/gate/PermissionsPlugin.h"

namespace Corvane {
namespace {

constexpr const char* kLibrary = "Permissions.dll";

bool Ask(HMODULE library, std::uint64_t steamId, const FString& permission) {
    const auto query = reinterpret_cast<::Permissions::IsPlayerHasPermissionFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, ::Permissions::kIsPlayerHasPermission)));
    if (query == nullptr) {
        throw std::runtime_error(std::string("The permissions plugin has no ") +
                                 ::Permissions::kIsPlayerHasPermission);
    }
    return query(steamId, permission);
}

}  // namespace

bool PermissionsPlugin::IsPlayerHasPermission(std::uint64_t steamId, const FString& permission) {
    // On a server the framework has loaded it: used as it is, with no
    // reference of ours to let go of, and found anew at each question, so a
    // reload of the permissions plugin can't leave a stale address behind.
    HMODULE loaded = nullptr;
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, kLibrary, &loaded)) {
        return Ask(loaded, steamId, permission);
    }
    // Not the current directory nor PATH: a library planted there must not
    // answer permission questions.
    HMODULE own = LoadLibraryExA(kLibrary, nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    if (own == nullptr) {
        throw std::runtime_error(std::string("Can't load the permissions plugin ") + kLibrary + ": error " +
                                 std::to_string(GetLastError()));
    }
    // Let go right after the question, here in the chat handler: freeing it
    // at unload would mean FreeLibrary under the loader lock.
    struct LetGo {
        HMODULE library;
        ~LetGo() { FreeLibrary(library); }
    } letGo{own};
    return Ask(own, steamId, permission);
}

PermissionsPlugin::~PermissionsPlugin() = default;

}  // namespace Corvane
