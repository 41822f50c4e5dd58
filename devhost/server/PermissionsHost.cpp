#include "devhost/server/PermissionsHost.h"

#include <stdexcept>

#include "devhost/platform/DynamicLibrary.h"

namespace DevHost {

std::string PermissionsLibraryPath(PermissionsHost::Build build) {
    return Platform::ExecutableDirectory() + "/" +
           (build == PermissionsHost::Build::Full ? CORVANE_PERMISSIONS_FILE
                                                  : CORVANE_PERMISSIONS_WITHOUT_QUERY_FILE);
}

void PermissionsHost::Load(Build build) {
    if (library_ != nullptr && build_ == build) {
        return;
    }
    Unload();
    std::string error;
    void* library = Platform::OpenLibrary(PermissionsLibraryPath(build), error);
    if (library == nullptr) {
        throw std::runtime_error("can't load the stand-in permissions plugin: " + error);
    }
    const auto control = reinterpret_cast<DevPermissions::ControlFunction>(
        Platform::FindSymbol(library, DevPermissions::kControlExport));
    if (control == nullptr) {
        Platform::CloseLibrary(library);
        throw std::runtime_error(std::string("the stand-in permissions plugin has no ") +
                                 DevPermissions::kControlExport);
    }
    library_ = library;
    control_ = control();
    build_ = build;
}

void PermissionsHost::Unload() {
    if (library_ != nullptr) {
        Platform::CloseLibrary(library_);
        library_ = nullptr;
        control_ = nullptr;
    }
}

DevPermissions::Control& PermissionsHost::Control() const {
    if (control_ == nullptr) {
        throw std::logic_error("the stand-in permissions plugin is not loaded");
    }
    return *control_;
}

}  // namespace DevHost
