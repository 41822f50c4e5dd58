// The stand-in engine allocator behind "FMemory.Realloc" and "FMemory.Free".
//
// It knows every block it handed out and its size, so tests can count live
// blocks and bytes and record the exact sequence of calls. Misuse that a real
// engine allocator would turn into heap corruption (freeing or resizing a
// block it never handed out, freeing twice, Realloc(null, 0)) aborts the
// process at once with a message naming the fault. Only the most recent
// releases are remembered, so that a long-running server's bookkeeping stays
// bounded; a block released longer ago counts as never handed out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <utility>
#include <vector>

namespace DevEngine {

struct AllocatorCall {
    enum class Kind { Realloc, Free };
    Kind kind;
    const void* block;   // what the caller passed
    std::uint64_t size;  // Realloc only
    const void* result;  // Realloc only

    bool operator==(const AllocatorCall&) const = default;
};

class Allocator {
public:
    void* Realloc(void* block, std::uint64_t size);
    void Free(void* block);

    std::size_t LiveBlocks() const { return live_.size(); }
    std::uint64_t LiveBytes() const { return liveBytes_; }
    std::uint64_t SizeOf(const void* block) const;

    // Calls are recorded only while recording is on.
    void StartRecording();
    std::vector<AllocatorCall> StopRecording();

private:
    [[noreturn]] static void Fail(const char* what, const void* block);
    void Forget(void* block);

    std::unordered_map<const void*, std::uint64_t> live_;
    // Released blocks, and the order they were released in (with the release
    // number, so that a block released again is forgotten only by its last entry).
    std::unordered_map<const void*, std::uint64_t> released_;
    std::deque<std::pair<const void*, std::uint64_t>> releaseOrder_;
    std::uint64_t releases_ = 0;
    std::uint64_t liveBytes_ = 0;
    bool recording_ = false;
    std::vector<AllocatorCall> calls_;
};

Allocator& TheAllocator();

}  // namespace DevEngine
