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

    enum class Build {
        Full,
        WithoutQuery,  // lacks the query plugins ask
    };

    // Throws std::runtime_error when the library can't be loaded. A library
    // of the other build is let go first.
    void Load(Build build = Build::Full);
    // Lets go of the server's reference; the grants go with the library.
    void Unload();
    bool Loaded() const { return library_ != nullptr; }

    // Throws std::logic_error while the library is not loaded.
    DevPermissions::Control& Control() const;

private:
    Build build_ = Build::Full;
    void* library_ = nullptr;
    DevPermissions::Control* control_ = nullptr;
};

// Where the stand-in permissions plugin's library is built.
std::string PermissionsLibraryPath(PermissionsHost::Build build = PermissionsHost::Build::Full);

}  // namespace DevHost
