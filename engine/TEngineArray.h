// TEngineArray: the engine's dynamic array, shared by layout with engine functions.
//
//   offset 0   8 bytes  Data      buffer of Capacity elements, or null
//   offset 8   4 bytes  Count     elements in use
//   offset 12  4 bytes  Capacity  elements the buffer holds
//
// The array owns its buffer and its elements; every buffer lives on the
// engine allocator (FMemory), whoever made it. Elements are never constructed
// by a resize and move bitwise with the buffer, so T must stay valid when its
// bytes are moved (FString does). The capacity rules live in ArrayCapacity.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>

#include "engine/ArrayCapacity.h"
#include "engine/FMemory.h"

template <class T>
struct TEngineArray {
    T* Data = nullptr;
    std::int32_t Count = 0;
    std::int32_t Capacity = 0;

    TEngineArray() = default;
    TEngineArray(const TEngineArray&) = delete;
    TEngineArray& operator=(const TEngineArray&) = delete;
    TEngineArray(TEngineArray&& other) noexcept
        : Data(std::exchange(other.Data, nullptr)),
          Count(std::exchange(other.Count, 0)),
          Capacity(std::exchange(other.Capacity, 0)) {}
    TEngineArray& operator=(TEngineArray&& other) noexcept {
        if (this != &other) {
            Release();
            Data = std::exchange(other.Data, nullptr);
            Count = std::exchange(other.Count, 0);
            Capacity = std::exchange(other.Capacity, 0);
        }
        return *this;
    }
    ~TEngineArray() { Release(); }

    // Call right after Count was raised above Capacity.
    void GrowForCount() { Reallocate(Corvane::Engine::GrownCapacity(Count, Capacity)); }

    // Capacity becomes exactly newCapacity, with no slack.
    void ResizeExact(std::int32_t newCapacity, std::int32_t previousCapacity) {
        if (newCapacity != previousCapacity) {
            Reallocate(newCapacity);
        }
        Capacity = newCapacity;
    }

    // Call right after Count was lowered.
    void ReleaseSlack() {
        const std::int32_t kept = Corvane::Engine::ShrunkCapacity(Count, Capacity, sizeof(T));
        if (kept != Capacity) {
            Reallocate(kept);
        }
    }

    // Destroys every element and sets Count to 0; the buffer and Capacity stay.
    void DropElements() noexcept {
        DestroyElements();
        Count = 0;
    }

    // Appends one element initialised by T's default constructor.
    T& AppendDefault() {
        ++Count;
        if (Count > Capacity) {
            try {
                GrowForCount();
            } catch (...) {
                --Count;
                throw;
            }
        }
        return *::new (static_cast<void*>(Data + Count - 1)) T();
    }

private:
    void Reallocate(std::int32_t newCapacity) {
        if (Data != nullptr || newCapacity != 0) {
            Data =
                static_cast<T*>(FMemory::Realloc(Data, static_cast<std::uint64_t>(newCapacity) * sizeof(T)));
        }
        Capacity = newCapacity;
    }

    void DestroyElements() noexcept {
        if constexpr (!std::is_trivially_destructible_v<T>) {
            for (std::int32_t i = 0; i < Count; ++i) {
                Data[i].~T();
            }
        }
    }

    void Release() noexcept {
        DestroyElements();
        if (Data != nullptr) {
            FMemory::Free(Data);
        }
        Data = nullptr;
        Count = 0;
        Capacity = 0;
    }
};

static_assert(sizeof(TEngineArray<char16_t>) == 16);
static_assert(offsetof(TEngineArray<char16_t>, Data) == 0);
static_assert(offsetof(TEngineArray<char16_t>, Count) == 8);
static_assert(offsetof(TEngineArray<char16_t>, Capacity) == 12);
