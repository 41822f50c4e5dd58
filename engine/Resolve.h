// Typed resolution of engine functions and fields by name.
//
// Every call resolves anew through the framework: the engine may move or
// replace what a name points to, so nothing is cached. A name the framework
// cannot resolve throws std::runtime_error naming it; nothing is ever called
// through a null address.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "host/Velkor.h"

namespace Corvane::Engine {

template <class Function>
Function ResolveFunction(const char* name) {
    void* address = GetAddress(std::string(name));
    if (address == nullptr) {
        throw std::runtime_error("Engine function not found: " + std::string(name));
    }
    return reinterpret_cast<Function>(address);
}

template <class Field>
Field* ResolveField(const void* object, const char* name) {
    const std::uint64_t address = GetAddress(object, std::string(name));
    if (address == 0) {
        throw std::runtime_error("Engine field not found: " + std::string(name));
    }
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the framework hands a field's address over as an integer.
    return reinterpret_cast<Field*>(static_cast<std::uintptr_t>(address));
}

}  // namespace Corvane::Engine
