#include "devhost/engine/Allocator.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace DevEngine {

void Allocator::Fail(const char* what, const void* block) {
    std::fprintf(stderr, "engine allocator: %s (block %p)\n", what, block);
    std::fflush(stderr);
    std::abort();
}

std::uint64_t Allocator::SizeOf(const void* block) const {
    const auto found = live_.find(block);
    return found == live_.end() ? 0 : found->second;
}

void Allocator::Forget(void* block) {
    const auto found = live_.find(block);
    if (found == live_.end()) {
        Fail(released_.count(block) != 0 ? "block released twice" : "block not from this allocator", block);
    }
    liveBytes_ -= found->second;
    live_.erase(found);
    constexpr std::size_t kRememberedReleases = 1 << 16;
    released_[block] = ++releases_;
    releaseOrder_.emplace_back(block, releases_);
    if (releaseOrder_.size() > kRememberedReleases) {
        const auto [oldest, release] = releaseOrder_.front();
        releaseOrder_.pop_front();
        if (const auto entry = released_.find(oldest); entry != released_.end() && entry->second == release) {
            released_.erase(entry);
        }
    }
}

void Allocator::SetMode(Mode mode) {
    if (LiveBlocks() != 0) {
        Fail("mode changed while blocks are live", nullptr);
    }
    mode_ = mode;
}

void* Allocator::LeanRealloc(void* block, std::uint64_t size) {
    if (size == 0) {
        leanBlocks_ -= block != nullptr;
        std::free(block);
        return nullptr;
    }
    leanBlocks_ += block == nullptr;
    void* result = std::realloc(block, static_cast<std::size_t>(size));
    if (result == nullptr) {
        Fail("out of memory", block);
    }
    return result;
}

void* Allocator::Realloc(void* block, std::uint64_t size) {
    if (mode_ == Mode::Lean) {
        return LeanRealloc(block, size);
    }
    if (block == nullptr && size == 0) {
        Fail("Realloc of no block to 0 bytes", block);
    }
    std::uint64_t oldSize = 0;
    if (block != nullptr) {
        oldSize = SizeOf(block);
        Forget(block);
    }
    void* result = nullptr;
    if (size != 0) {
        result = std::malloc(static_cast<std::size_t>(size));
        if (result == nullptr) {
            Fail("out of memory", block);
        }
        if (block != nullptr) {
            std::memcpy(result, block, static_cast<std::size_t>(std::min(oldSize, size)));
        }
        live_.emplace(result, size);
        released_.erase(result);
        liveBytes_ += size;
    }
    // The old block goes only after its contents moved, so the new one never
    // shares its address: a stale pointer to the old block stays detectable.
    if (recording_) {
        calls_.push_back({AllocatorCall::Kind::Realloc, block, size, result});
    }
    std::free(block);
    return result;
}

void Allocator::Free(void* block) {
    if (mode_ == Mode::Lean) {
        --leanBlocks_;
        std::free(block);
        return;
    }
    Forget(block);
    if (recording_) {
        calls_.push_back({AllocatorCall::Kind::Free, block, 0, nullptr});
    }
    std::free(block);
}

void Allocator::FreeEveryBlock() {
    while (!live_.empty()) {
        Free(const_cast<void*>(live_.begin()->first));
    }
}

void Allocator::StartRecording() {
    calls_.clear();
    recording_ = true;
}

std::vector<AllocatorCall> Allocator::StopRecording() {
    recording_ = false;
    return std::exchange(calls_, {});
}

Allocator& TheAllocator() {
    static Allocator allocator;
    return allocator;
}

}  // namespace DevEngine
