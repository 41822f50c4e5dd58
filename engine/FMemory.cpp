#include "engine/FMemory.h"

#include <stdexcept>

#include "engine/Resolve.h"
#include "host/EngineFunctions.h"

void* FMemory::Realloc(void* block, std::uint64_t size) {
    return Corvane::Engine::ResolveFunction<EngineFunctions::Realloc>("FMemory.Realloc")(block, size);
}

void FMemory::Free(void* block) noexcept {
    EngineFunctions::Free free = nullptr;
    try {
        free = Corvane::Engine::ResolveFunction<EngineFunctions::Free>("FMemory.Free");
    } catch (const std::exception&) {
        // Without the engine's Free the block can only stay where it is:
        // strings free their buffers in destructors, where a throw would end
        // the server.
        return;
    }
    free(block);
}
