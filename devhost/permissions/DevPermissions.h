// The stand-in permissions plugin: per-player sets of exact, case-sensitive
// permission names.
//
// Plugins ask it through the exported query (host/Permissions.h). A host
// loads the library itself and changes the grants through the Control it
// exports under kControlExport; the grants live in the library, so they are
// gone when it is unloaded.
#pragma once

#include <cstdint>

#include "host/WideChar.h"

#if defined(_WIN32)
#define PERMISSIONS_API __declspec(dllexport)
#else
#define PERMISSIONS_API __attribute__((visibility("default")))
#endif

namespace DevPermissions {

class Control {
public:
    virtual void Grant(std::uint64_t steamId, WideStringView permission) = 0;
    virtual void Revoke(std::uint64_t steamId, WideStringView permission) = 0;
    virtual void RevokeAll() = 0;
    // How often plugins asked, since the last RevokeAll.
    virtual std::uint64_t QueryCount() const = 0;

protected:
    ~Control() = default;
};

inline constexpr const char* kControlExport = "DevPermissionsControl";
using ControlFunction = Control* (*)();

}  // namespace DevPermissions
