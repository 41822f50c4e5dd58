// The stand-in permissions plugin as the server loads it: from its own
// folder under the programs' directory (Plugins/Permissions), not beside
// them, so that the plugin finds it only while the server has it loaded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "devhost/permissions/DevPermissions.h"

namespace DevHost {

class PermissionsHost {
public:
    PermissionsHost() = default;
    PermissionsHost(const PermissionsHost&) = delete;
    PermissionsHost& operator=(const PermissionsHost&) = delete;
    ~PermissionsHost() { Unload(); }

    // Throws std::runtime_error when the library can't be loaded.
    void Load();
    // Lets go of the server's reference; the grants go with the library.
    void Unload();
    bool Loaded() const { return library_ != nullptr; }

    // Throws std::logic_error while the library is not loaded.
    DevPermissions::Control& Control() const;

private:
    void* library_ = nullptr;
    DevPermissions::Control* control_ = nullptr;
};

// Where the stand-in permissions plugin's library is built.
std::string PermissionsLibraryPath();

}  // namespace DevHost
