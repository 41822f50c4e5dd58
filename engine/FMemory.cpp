#include "engine/FMemory.h"

#include "engine/Resolve.h"
#include "host/EngineFunctions.h"

void* FMemory::Realloc(void* block, std::uint64_t size) {
    return Corvane::Engine::ResolveFunction<EngineFunctions::Realloc>("FMemory.Realloc")(block, size);
}

void FMemory::Free(void* block) {
    Corvane::Engine::ResolveFunction<EngineFunctions::Free>("FMemory.Free")(block);
}
