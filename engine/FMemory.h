// FMemory: the engine allocator, the only way any engine string or array
// buffer is allocated, resized or freed.
//
// Both operations resolve their engine function by name at every call.
#pragma once

#include <cstdint>

namespace FMemory {
// Resizes block (allocates when null) to size bytes, keeping the contents up to
// the smaller size. Never called with a null block and a size of 0.
void* Realloc(void* block, std::uint64_t size);
// Releases a block that is not null. When the engine's Free can't be
// resolved, the block is left alive: nothing is thrown.
void Free(void* block) noexcept;
}  // namespace FMemory
