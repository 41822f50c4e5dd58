// A million mixed chat lines through the loaded plugin (granted, refused,
// chained, braces, unrouted, ignored), as a busy server would send them. The
// engine's live blocks must stay exactly where they were after every line, and
// the process's resident memory may not grow beyond a small bound once warm.
//
// CORVANE_SOAK_LINES scales the count down for slow builds (sanitizers,
// emulation); by default the whole million runs.
#include <gmock/gmock.h>

#include <cstdlib>
#include <string>
#include <variant>

#include "devhost/engine/Allocator.h"
#include "host/Velkor.h"
#include "tests/core/ResidentMemory.h"
#include "tests/support/ServerFixture.h"

using Outcome = DevHost::RouteResult::Outcome;

namespace {

constexpr std::size_t kDefaultLines = 1'000'000;
// Allocator fragmentation and the stand-in's own bookkeeping may move a few
// pages; a leak of even a few bytes a line would move tens of megabytes.
constexpr std::size_t kResidentGrowthBound = 4u << 20;
// The fixture's event log is emptied this often, keeping its capacity.
constexpr std::size_t kEventsKept = 4096;

std::size_t SoakLines() {
    const char* text = std::getenv("CORVANE_SOAK_LINES");
    return text != nullptr ? std::stoul(text) : kDefaultLines;
}

// What the engine and the framework reported, counted rather than kept.
struct Counts {
    std::size_t commands = 0, gameplayLog = 0, replies = 0, broadcasts = 0, warnings = 0, otherLogLines = 0;

    void Count(const DevHost::Event& event) {
        if (const auto* line = std::get_if<DevHost::LogLine>(&event)) {
            ++(line->level == spdlog::level::warn ? warnings : otherLogLines);
        }
        commands += std::holds_alternative<DevHost::ConsoleCommandRun>(event);
        gameplayLog += std::holds_alternative<DevHost::GameplayLogEntry>(event);
        replies += std::holds_alternative<DevHost::PrivateMessage>(event);
        broadcasts += std::holds_alternative<DevHost::Broadcast>(event);
    }
};

struct Line {
    AShooterPlayerController* player;
    WideString text;
    Outcome outcome;
    // What the engine records for it.
    std::size_t commands, replies, broadcasts, warnings;
};

// What the lines did in total, and the first line that did something else.
struct Totals {
    std::size_t commands = 0, gameplayLog = 0, replies = 0, broadcasts = 0;
    std::size_t blockChanges = 0;
    std::string firstSurprise;
};

class Soak : public ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        subscription_ = Server().Subscribe([this](const DevHost::Event& event) { counts_.Count(event); });
        WriteMessages("{0} used the cheat command: {1}", "You may not.", "Server", true);
        rex_ = Join("Rex", 1);
        mara_ = Join("Mara", 2);
        for (int i = 0; i < 8; ++i) {
            Join("Player" + std::to_string(i), 100 + i);
        }
        Join("Gone", 99);
        Server().Leave("Gone");  // a stale entry in the world's list
        Grant(1, "Cheat.fly");
        Grant(1, "Cheat.say");
        ASSERT_TRUE(LoadPlugin()) << Server().LoadError();
    }

    std::vector<Line> Mix() const {
        constexpr std::size_t kListeners = 10;
        return {
            {rex_, W("/cheat fly"), Outcome::Handled, 1, 0, kListeners, 0},
            {mara_, W("/cheat fly"), Outcome::Handled, 0, 1, 0, 0},
            {rex_, W("/cheat fly | giveitem 1 1"), Outcome::Handled, 0, 1, 0, 1},
            {rex_, W("/cheat fly\nslomo 5"), Outcome::Handled, 0, 1, 0, 1},
            {rex_, W("/cheat say {0} {{x}} }"), Outcome::Handled, 1, 0, kListeners, 0},
            {rex_, W("/CHEAT  say hi"), Outcome::Handled, 1, 0, kListeners, 0},
            {mara_, W("/cheat"), Outcome::Handled, 0, 0, 0, 0},
            {mara_, W("good game everyone"), Outcome::Unrouted, 0, 0, 0, 0},
        };
    }

    void Route(const Line& line, std::size_t blocks, Totals& totals) {
        const Counts before = counts_;
        const auto result = DevHost::RouteChat(line.player, line.text);
        const std::size_t added[] = {counts_.commands - before.commands,
                                     counts_.gameplayLog - before.gameplayLog,
                                     counts_.replies - before.replies, counts_.broadcasts - before.broadcasts,
                                     counts_.warnings - before.warnings};
        totals.commands += added[0];
        totals.gameplayLog += added[1];
        totals.replies += added[2];
        totals.broadcasts += added[3];
        totals.blockChanges += DevEngine::TheAllocator().LiveBlocks() != blocks;
        const bool expected = result.outcome == line.outcome && added[0] == line.commands &&
                              added[1] == line.commands && added[2] == line.replies &&
                              added[3] == line.broadcasts && added[4] == line.warnings;
        if (!expected && totals.firstSurprise.empty()) {
            totals.firstSurprise = U(line.text) + (result.error.empty() ? "" : " failed: " + result.error);
        }
    }

    Counts counts_;
    DevHost::Subscription subscription_;
    AShooterPlayerController* rex_ = nullptr;
    AShooterPlayerController* mara_ = nullptr;
};

TEST_F(Soak, MixedLinesKeepEngineBlocksAndResidentMemoryFlat) {
    const std::vector<Line> mix = Mix();
    const std::size_t total = SoakLines();
    const std::size_t warmUp = total / 10;
    const std::size_t blocks = DevEngine::TheAllocator().LiveBlocks();
    Totals totals;
    std::optional<std::size_t> residentWarm;
    for (std::size_t i = 0; i < total; ++i) {
        if (i == warmUp) {
            residentWarm = ResidentBytes();
        }
        Route(mix[i % mix.size()], blocks, totals);
        if (i % kEventsKept == kEventsKept - 1) {
            Events().Clear();
        }
    }
    Events().Clear();
    const std::optional<std::size_t> residentEnd = ResidentBytes();

    EXPECT_EQ(totals.firstSurprise, "") << "the first line that did not do what it should";
    EXPECT_EQ(totals.blockChanges, 0u) << "lines after which the engine's live blocks had changed";
    std::size_t commands = 0, replies = 0, broadcasts = 0, warnings = 0;
    for (std::size_t i = 0; i < total; ++i) {
        const Line& line = mix[i % mix.size()];
        commands += line.commands, replies += line.replies, broadcasts += line.broadcasts,
            warnings += line.warnings;
    }
    EXPECT_EQ(totals.commands, commands);
    EXPECT_EQ(totals.gameplayLog, commands);
    EXPECT_EQ(totals.replies, replies);
    EXPECT_EQ(totals.broadcasts, broadcasts);
    EXPECT_EQ(counts_.warnings, warnings);
    EXPECT_EQ(counts_.otherLogLines, 0u);

    if (kFreedMemoryQuarantined || !residentWarm || !residentEnd) {
        return;  // no meaningful resident size here
    }
    const std::size_t growth = *residentEnd > *residentWarm ? *residentEnd - *residentWarm : 0;
    RecordProperty("ResidentGrowthBytes", std::to_string(growth));
    EXPECT_LE(growth, kResidentGrowthBound)
        << "resident memory grew from " << *residentWarm << " to " << *residentEnd << " bytes";
}

}  // namespace
