// The stand-in engine allocator: accounting, and the faults it must catch.
#include <gmock/gmock.h>

#include <cstring>

#include "devhost/engine/Allocator.h"

namespace {

using DevEngine::Allocator;
using DevEngine::AllocatorCall;

TEST(Allocator, CountsLiveBlocksAndBytesAndKeepsContents) {
    Allocator allocator;
    void* block = allocator.Realloc(nullptr, 8);
    std::memcpy(block, "abcdefg", 8);
    EXPECT_EQ(allocator.LiveBlocks(), 1u);
    EXPECT_EQ(allocator.LiveBytes(), 8u);

    void* grown = allocator.Realloc(block, 32);
    EXPECT_NE(grown, block) << "a resized block never keeps a stale address alive";
    EXPECT_STREQ(static_cast<char*>(grown), "abcdefg");
    EXPECT_EQ(allocator.LiveBytes(), 32u);

    void* shrunk = allocator.Realloc(grown, 4);
    EXPECT_EQ(std::memcmp(shrunk, "abcd", 4), 0);
    EXPECT_EQ(allocator.Realloc(shrunk, 0), nullptr);
    EXPECT_EQ(allocator.LiveBlocks(), 0u);
    EXPECT_EQ(allocator.LiveBytes(), 0u);
}

TEST(Allocator, RecordsTheExactSequenceOfCalls) {
    Allocator allocator;
    allocator.StartRecording();
    void* block = allocator.Realloc(nullptr, 8);
    void* grown = allocator.Realloc(block, 16);
    allocator.Free(grown);
    EXPECT_THAT(allocator.StopRecording(),
                ::testing::ElementsAre(AllocatorCall{AllocatorCall::Kind::Realloc, nullptr, 8, block},
                                       AllocatorCall{AllocatorCall::Kind::Realloc, block, 16, grown},
                                       AllocatorCall{AllocatorCall::Kind::Free, grown, 0, nullptr}));
}

using AllocatorDeathTest = ::testing::Test;

TEST_F(AllocatorDeathTest, AbortsOnFaultsThatWouldCorruptAnEngineHeap) {
    EXPECT_DEATH(
        {
            Allocator allocator;
            int local = 0;
            allocator.Free(&local);
        },
        "block not from this allocator");
    EXPECT_DEATH(
        {
            Allocator allocator;
            void* block = allocator.Realloc(nullptr, 8);
            allocator.Free(block);
            allocator.Free(block);
        },
        "block released twice");
    EXPECT_DEATH(
        {
            Allocator allocator;
            void* block = allocator.Realloc(nullptr, 8);
            allocator.Free(block);
            allocator.Realloc(block, 16);
        },
        "block released twice");
    EXPECT_DEATH(
        {
            Allocator allocator;
            int local = 0;
            allocator.Realloc(&local, 16);
        },
        "block not from this allocator");
    EXPECT_DEATH(
        {
            Allocator allocator;
            allocator.Realloc(nullptr, 0);
        },
        "Realloc of no block to 0 bytes");
}

}  // namespace
