// A test of engine values with no server behind it: engine strings and arrays
// built and changed directly on the stand-in allocator.
//
// Every block a test allocates must be gone when it ends: a leak fails the
// test, and the allocator itself aborts on a foreign or double release.
// Trace() runs an action with the allocator recording and returns the exact
// calls it made, for matching with ReallocCall and FreeCall.
#pragma once

#include <gmock/gmock.h>

#include <cstdint>
#include <ostream>
#include <vector>

#include "devhost/engine/Allocator.h"
#include "devhost/framework/Framework.h"
#include "engine/FString.h"

namespace DevEngine {
inline void PrintTo(const AllocatorCall& call, std::ostream* out) {
    if (call.kind == AllocatorCall::Kind::Free) {
        *out << "Free(" << call.block << ")";
    } else {
        *out << "Realloc(" << call.block << ", " << call.size << ") -> " << call.result;
    }
}
}  // namespace DevEngine

using AllocatorTrace = std::vector<DevEngine::AllocatorCall>;

inline auto ReallocCall(const void* block, std::uint64_t size) {
    using DevEngine::AllocatorCall;
    return ::testing::AllOf(::testing::Field("kind", &AllocatorCall::kind, AllocatorCall::Kind::Realloc),
                            ::testing::Field("block", &AllocatorCall::block, block),
                            ::testing::Field("size", &AllocatorCall::size, size));
}

inline auto FreeCall(const void* block) {
    using DevEngine::AllocatorCall;
    return ::testing::AllOf(::testing::Field("kind", &AllocatorCall::kind, AllocatorCall::Kind::Free),
                            ::testing::Field("block", &AllocatorCall::block, block));
}

// The text of a string as its readers see it, for comparing with WIDE("...").
inline WideString Text(const FString& text) {
    return WideString(text.View());
}

// A string of count 1: a buffer that holds only the terminator.
inline FString TerminatorOnly() {
    FString text;
    text.Chars().Count = 1;
    text.Chars().GrowForCount();
    text.Chars().Data[0] = 0;
    return text;
}

class EngineValueTest : public ::testing::Test {
protected:
    void SetUp() override {
        DevHost::ResetResolutionCounts();
        blocksBefore_ = Allocator().LiveBlocks();
    }

    void TearDown() override {
        Allocator().StopRecording();
        EXPECT_EQ(Allocator().LiveBlocks(), blocksBefore_) << "the test left engine blocks alive";
    }

    template <class Action>
    static AllocatorTrace Trace(Action&& action) {
        Allocator().StartRecording();
        action();
        return Allocator().StopRecording();
    }

    static DevEngine::Allocator& Allocator() { return DevEngine::TheAllocator(); }

private:
    std::size_t blocksBefore_ = 0;
};
