// A million mixed chat lines through the loaded plugin (granted, refused,
// chained, braces, unrouted, ignored), as a busy server would send them. The
// engine's live blocks must stay exactly where they were after every line, and
// the process's resident memory may not grow beyond a small bound once warm.
// The same again with every operator control on: the audit file, a deny list,
// cooldowns that run out as time passes, and each announcement mode.
//
// Each runs a million lines unless CORVANE_SOAK_LINES says otherwise, or, for
// the second, CORVANE_CONTROLS_SOAK_LINES: its audit file costs a file append
// every line, and appends are slow under emulation (the Windows suite runs it
// shorter).
#include <gmock/gmock.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <variant>

#include <nlohmann/json.hpp>

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

std::size_t LinesFrom(const char* variable, std::size_t byDefault) {
    const char* text = std::getenv(variable);
    return text != nullptr ? std::stoul(text) : byDefault;
}

std::size_t SoakLines() {
    return LinesFrom("CORVANE_SOAK_LINES", kDefaultLines);
}

std::size_t ControlsSoakLines() {
    return LinesFrom("CORVANE_CONTROLS_SOAK_LINES", SoakLines());
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
    // What the engine records for it, and the lines it adds to the audit file.
    std::size_t commands, replies, broadcasts, warnings, audits;
};

// What the lines did in total, and the first line that did something else.
struct Totals {
    std::size_t commands = 0, gameplayLog = 0, replies = 0, broadcasts = 0, audits = 0;
    std::size_t blockChanges = 0;
    std::string firstSurprise;
};

class Soak : public ServerFixture {
protected:
    static constexpr std::size_t kListeners = 10;

    void SetUp() override {
        ServerFixture::SetUp();
        subscription_ = Server().Subscribe([this](const DevHost::Event& event) { counts_.Count(event); });
        rex_ = Join("Rex", 1);
        mara_ = Join("Mara", 2);
        for (int i = 0; i < 8; ++i) {
            Join("Player" + std::to_string(i), 100 + i);
        }
        Join("Gone", 99);
        Server().Leave("Gone");  // a stale entry in the world's list
        Grant(1, "Cheat.fly");
        Grant(1, "Cheat.say");
    }

    std::vector<Line> Mix() const {
        return {
            {rex_, W("/cheat fly"), Outcome::Handled, 1, 0, kListeners, 0, 0},
            {mara_, W("/cheat fly"), Outcome::Handled, 0, 1, 0, 0, 0},
            {rex_, W("/cheat fly | giveitem 1 1"), Outcome::Handled, 0, 1, 0, 1, 0},
            {rex_, W("/cheat fly\nslomo 5"), Outcome::Handled, 0, 1, 0, 1, 0},
            {rex_, W("/cheat say {0} {{x}} }"), Outcome::Handled, 1, 0, kListeners, 0, 0},
            {rex_, W("/CHEAT  say hi"), Outcome::Handled, 1, 0, kListeners, 0, 0},
            {mara_, W("/cheat"), Outcome::Handled, 0, 0, 0, 0, 0},
            {mara_, W("good game everyone"), Outcome::Unrouted, 0, 0, 0, 0, 0},
        };
    }

    // Every control on. Player0 holds Corvane.NoCooldown and is the only one
    // to see announcements to admins; the time that passes after each round
    // (kRoundPause) ends every cooldown, and none ends within a round.
    void LoadWithEveryControl() {
        Grant(1, "Cheat.giveitem");
        Grant(1, "Cheat.slomo");
        Grant(1, "Cheat.quit");  // denied all the same
        Grant(100, "Cheat.fly");
        Grant(100, "Corvane.NoCooldown");
        Grant(100, "Corvane.SeeAnnouncements");
        const nlohmann::json config = {
            {"PrintToChat", true},
            {"Messages",
             {{"LogMsg", "{0} used the cheat command: {1}"},
              {"NoPermissions", "You may not."},
              {"Sender", "Server"},
              {"Cooldown", "Wait {0} s before {1}."}}},
            {"AuditLog", "audit/cheat.jsonl"},
            {"Deny", {"quit", "exit", "shutdown"}},
            {"Commands",
             {{"fly", {{"Cooldown", 30}, {"Announce", "admins"}}},
              {"say", {{"Announce", "none"}}},
              {"giveitem", {{"Cooldown", 10}}},
              {"*", {{"Cooldown", 1}, {"Announce", "all"}}}}},
        };
        WriteConfig(config.dump());
        ASSERT_TRUE(LoadPlugin()) << Server().LoadError();
        counts_ = {};  // the load's own line
        auditFile_ = Server().Directory().PluginFolder() / "audit" / "cheat.jsonl";
    }

    // GoogleTest reads the same clock, so the time it reports for the soak
    // includes all the time let pass.
    static constexpr std::chrono::seconds kRoundPause{31};

    std::vector<Line> ControlsMix() {
        AShooterPlayerController* admin = Server().Player("Player0");
        return {
            {rex_, W("/cheat fly"), Outcome::Handled, 1, 0, 1, 0, 1},
            {rex_, W("/cheat fly"), Outcome::Handled, 0, 1, 0, 0, 1},  // cooldown
            {admin, W("/cheat fly"), Outcome::Handled, 1, 0, 1, 0, 1},
            {admin, W("/cheat fly"), Outcome::Handled, 1, 0, 1, 0, 1},  // not held back
            {rex_, W("/cheat quit"), Outcome::Handled, 0, 1, 0, 0, 1},
            {rex_, W("/cheat say {0} {{x}} }"), Outcome::Handled, 1, 0, 0, 0, 1},
            {rex_, W("/cheat giveitem 10 20"), Outcome::Handled, 1, 0, kListeners, 0, 1},
            {rex_, W("/CHEAT  giveitem 1 1"), Outcome::Handled, 0, 1, 0, 0, 1},  // cooldown
            {rex_, W("/cheat slomo 5"), Outcome::Handled, 1, 0, kListeners, 0, 1},
            {mara_, W("/cheat fly"), Outcome::Handled, 0, 1, 0, 0, 1},
            {rex_, W("/cheat fly | giveitem 1 1"), Outcome::Handled, 0, 1, 0, 1, 1},
            {rex_, W("/cheat fly\nslomo 5"), Outcome::Handled, 0, 1, 0, 1, 1},
            {mara_, W("/cheat"), Outcome::Handled, 0, 0, 0, 0, 0},
            {mara_, W("good game everyone"), Outcome::Unrouted, 0, 0, 0, 0, 0},
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

    // Sends total lines of the mix, round after round (afterRound is called at
    // the end of each), and checks every line and the totals.
    void SoakWith(const std::vector<Line>& mix, std::size_t total, const std::function<void()>& afterRound) {
        const std::size_t warmUp = total / 10;
        const std::size_t blocks = DevEngine::TheAllocator().LiveBlocks();
        Totals totals;
        std::optional<std::size_t> residentWarm;
        for (std::size_t i = 0; i < total; ++i) {
            if (i == warmUp) {
                residentWarm = ResidentBytes();
            }
            Route(mix[i % mix.size()], blocks, totals);
            if (i % mix.size() == mix.size() - 1) {
                afterRound();
            }
            if (i % kEventsKept == kEventsKept - 1) {
                Events().Clear();
                totals.audits += TakeAuditLines();
            }
        }
        Events().Clear();
        totals.audits += TakeAuditLines();
        const std::optional<std::size_t> residentEnd = ResidentBytes();

        EXPECT_EQ(totals.firstSurprise, "") << "the first line that did not do what it should";
        EXPECT_EQ(totals.blockChanges, 0u) << "lines after which the engine's live blocks had changed";
        std::size_t commands = 0, replies = 0, broadcasts = 0, warnings = 0, audits = 0;
        for (std::size_t i = 0; i < total; ++i) {
            const Line& line = mix[i % mix.size()];
            commands += line.commands, replies += line.replies, broadcasts += line.broadcasts,
                warnings += line.warnings, audits += line.audits;
        }
        EXPECT_EQ(totals.commands, commands);
        EXPECT_EQ(totals.gameplayLog, commands);
        EXPECT_EQ(totals.replies, replies);
        EXPECT_EQ(totals.broadcasts, broadcasts);
        EXPECT_EQ(totals.audits, audits);
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

    // The lines the plugin appended since the last call, counted; the file is
    // then emptied, so that its size on disk stays bounded. The plugin opens
    // it anew for every line.
    std::size_t TakeAuditLines() {
        if (auditFile_.empty()) {
            return 0;
        }
        std::size_t lines = 0;
        {
            std::ifstream file(auditFile_, std::ios::binary);
            for (std::string line; std::getline(file, line);) {
                ++lines;
            }
        }
        std::filesystem::resize_file(auditFile_, 0);
        return lines;
    }

    Counts counts_;
    DevHost::Subscription subscription_;
    AShooterPlayerController* rex_ = nullptr;
    AShooterPlayerController* mara_ = nullptr;
    std::filesystem::path auditFile_;
};

TEST_F(Soak, MixedLinesKeepEngineBlocksAndResidentMemoryFlat) {
    WriteMessages("{0} used the cheat command: {1}", "You may not.", "Server", true);
    ASSERT_TRUE(LoadPlugin()) << Server().LoadError();
    counts_ = {};  // the load's own line
    SoakWith(Mix(), SoakLines(), [] {});
}

TEST_F(Soak, EveryControlOnKeepsEngineBlocksAndResidentMemoryFlat) {
    LoadWithEveryControl();
    SoakWith(ControlsMix(), ControlsSoakLines(), [this] { Server().LetTimePass(kRoundPause); });
}

}  // namespace
