// The stand-in engine allocator behind "FMemory.Realloc" and "FMemory.Free".
//
// It knows every block it handed out and its size, so tests can count live
// blocks and bytes and record the exact sequence of calls. Misuse that a real
// engine allocator would turn into heap corruption (freeing or resizing a
// block it never handed out, freeing twice, Realloc(null, 0)) aborts the
// process at once with a message naming the fault. Only the most recent
// releases are remembered, so that a long-running server's bookkeeping stays
// bounded; a block released longer ago counts as never handed out.
//
// The lean mode, for benchmarks, counts live blocks and nothing more: no sizes,
// no misuse checks, no recording, so that what is measured is the caller's work
// and not this bookkeeping.
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
    enum class Mode { Accounting, Lean };

    void* Realloc(void* block, std::uint64_t size);
    void Free(void* block);

    // Aborts unless no block is live: a block's bookkeeping belongs to its mode.
    void SetMode(Mode mode);
    Mode GetMode() const { return mode_; }

    std::size_t LiveBlocks() const { return mode_ == Mode::Lean ? leanBlocks_ : live_.size(); }
    // Accounting mode only.
    std::uint64_t LiveBytes() const { return liveBytes_; }
    std::uint64_t SizeOf(const void* block) const;

    // Frees every live block, as an engine that shuts down does; for blocks
    // nobody can free any more. Accounting mode only.
    void FreeEveryBlock();

    // Calls are recorded only while recording is on.
    void StartRecording();
    std::vector<AllocatorCall> StopRecording();

private:
    [[noreturn]] static void Fail(const char* what, const void* block);
    void Forget(void* block);
    void* LeanRealloc(void* block, std::uint64_t size);

    Mode mode_ = Mode::Accounting;
    std::size_t leanBlocks_ = 0;

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
