#include <dlfcn.h>

#include <stdexcept>
#include <string>

#include "core/gate/PermissionsPlugin.h"

namespace Corvane {
namespace {
constexpr const char* kLibrary = "Permissions.so";
}  // namespace

bool PermissionsPlugin::IsPlayerHasPermission(std::uint64_t steamId, const FString& permission) {
    if (query_ == nullptr) {
        void* library = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            throw std::runtime_error(std::string("Can't load the permissions plugin ") + kLibrary + ": " +
                                     dlerror());
        }
        void* query = dlsym(library, ::Permissions::kIsPlayerHasPermission);
        if (query == nullptr) {
            dlclose(library);
            throw std::runtime_error(std::string("The permissions plugin has no ") +
                                     ::Permissions::kIsPlayerHasPermission);
        }
        library_ = library;
        query_ = reinterpret_cast<::Permissions::IsPlayerHasPermissionFunction>(query);
    }
    return query_(steamId, permission);
}

PermissionsPlugin::~PermissionsPlugin() {
    if (library_ != nullptr) {
        dlclose(library_);
    }
}

}  // namespace Corvane
