// FWeakObjectPtr: the engine's weak reference to an object, opaque to the plugin.
//
// The plugin only copies it and asks the engine ("FWeakObjectPtr.Get") for
// the object, which is null once the object is gone.
#pragma once

#include <cstdint>

struct FWeakObjectPtr {
    std::uint64_t Opaque = 0;  // the engine's own encoding
};
static_assert(sizeof(FWeakObjectPtr) == 8);
