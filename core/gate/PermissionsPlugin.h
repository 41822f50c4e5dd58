// The permissions plugin as the gate reaches it. The plugin state owns one;
// its library is found at the first question, not at load, since the
// framework may load it after us.
//
// What reference to the library is held differs by platform, so that unload
// never frees a library under the Windows loader lock (platform/):
//   POSIX    a reference taken at the first question, let go when this object
//            is destroyed at unload;
//   Windows  none between questions: a library already in the process is used
//            without a counted reference, and one that is not is loaded for
//            the one question and let go right after it, in the chat handler.
// Either way the framework can unload or reload the permissions plugin once
// our plugin has unloaded.
#pragma once

#include <cstdint>

#include "engine/FString.h"
#include "host/Permissions.h"

namespace Corvane {

class PermissionsPlugin {
public:
    PermissionsPlugin() = default;
    PermissionsPlugin(const PermissionsPlugin&) = delete;
    PermissionsPlugin& operator=(const PermissionsPlugin&) = delete;
    ~PermissionsPlugin();

    // Asks the permissions plugin. Throws std::runtime_error, granting nothing,
    // when its library can't be found or lacks the query; the next question
    // tries again.
    bool IsPlayerHasPermission(std::uint64_t steamId, const FString& permission);

private:
    void* library_ = nullptr;
    ::Permissions::IsPlayerHasPermissionFunction query_ = nullptr;
};

}  // namespace Corvane
