// Reading the audit record back at load: newest line first, only as far as
// the longest window reaches, each granted use going into the history, where
// cooldowns are asked with today's length, forgive lines honoured, and
// nothing in a bad line or file stopping the load.
#include <fmt/chrono.h>
#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "core/audit/AuditEntry.h"
#include "core/audit/BackwardLines.h"
#include "core/audit/RecordedUses.h"
#include "core/history/UseRestore.h"
#include "core/settings/AuditPath.h"
#include "engine/WideText.h"

namespace {

using Corvane::UseHistory;
using std::chrono::seconds;
using ::testing::ElementsAre;
namespace fs = std::filesystem;

constexpr std::uint64_t kAlice = 1;
constexpr std::uint64_t kBob = 2;

class UseRestore : public ::testing::Test {
protected:
    UseRestore() {
        fs::create_directories(folder_);
        settings_.auditFile = folder_ / "audit.jsonl";
        settings_.commands["fly"].cooldown = seconds(60);
        settings_.commands["god"].cooldown = seconds(600);
        settings_.wrappers = {"wrap"};
    }
    ~UseRestore() override { fs::remove_all(folder_); }

    // A record of a decision, seconds before now (whole seconds: now is one).
    static std::string Line(std::uint64_t steamId, const char* command, const char* outcome, int secondsAgo) {
        const auto when = std::chrono::floor<seconds>(kNow) - seconds(secondsAgo);
        return nlohmann::json{{"time", fmt::format("{:%Y-%m-%dT%H:%M:%SZ}",
                                                   fmt::gmtime(std::chrono::system_clock::to_time_t(when)))},
                              {"steamId", std::to_string(steamId)},
                              {"character", "x"},
                              {"command", command},
                              {"outcome", outcome}}
            .dump();
    }

    // Any record, its time secondsAgo: a line of a kind this version may not know.
    static std::string Record(nlohmann::json members, int secondsAgo) {
        members["time"] = nlohmann::json::parse(Line(kAlice, "", "", secondsAgo))["time"];
        members.emplace("steamId", "1");
        return members.dump();
    }
    // A carried line standing for the line `original`.
    static std::string Carried(const std::string& original, std::vector<std::string> names = {}) {
        const auto entry = Corvane::ParseAuditEntry(original);
        return Corvane::CarriedLine(
            Corvane::LineHash(original),
            {entry->time, entry->steamId,
             names.empty() ? std::vector<std::string>{Corvane::Engine::ToUtf8(entry->command)}
                           : std::move(names),
             std::nullopt});
    }

    static void Write(const fs::path& file, const std::vector<std::string>& lines) {
        std::ofstream out(file, std::ios::binary);
        for (const std::string& line : lines) {
            out << line << '\n';
        }
    }

    Corvane::RestoredUses Restore() { return Corvane::RestoreUses(settings_, history_, kNow, kSteadyNow); }
    // The cooldown left on name, as configured now.
    UseHistory::Clock::duration Left(std::uint64_t steamId, const char* name) const {
        const Corvane::CommandSettings* command = settings_.SettingsFor(name);
        return Corvane::CooldownLeft(history_.Uses(steamId, name),
                                     command != nullptr ? command->cooldown : seconds(0), kSteadyNow);
    }

    static inline const std::chrono::system_clock::time_point kNow =
        std::chrono::sys_days{std::chrono::year(2026) / 12 / 8} + std::chrono::hours(12) +
        std::chrono::milliseconds(500);
    static inline const UseHistory::Clock::time_point kSteadyNow =
        UseHistory::Clock::time_point(std::chrono::hours(1));

    fs::path folder_ =
        fs::temp_directory_path() /
        ("corvane-restore-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    Corvane::Settings settings_;
    UseHistory history_;
};

TEST_F(UseRestore, GrantedUsesWithinTheirCooldownStartItAgainInThePlayersDisfavour) {
    Write(*settings_.auditFile,
          {
              Line(kAlice, "god", "granted", 700),  // ran out already
              Line(kAlice, "fly", "granted", 50), Line(kAlice, "fly", "granted", 10),
              Line(kBob, "fly", "refused", 5), Line(kBob, "wrap  god 5", "granted", 100),
              Line(kBob, "walk", "granted", 1),  // no cooldown configured
          });
    const auto restored = Restore();
    // The use at 10 s ago ran before 9 s ago: 60 + 1 - 10.5 s are left at most.
    EXPECT_EQ(Left(kAlice, "fly"), std::chrono::milliseconds(50'500));
    EXPECT_EQ(Left(kAlice, "god"), seconds(0));
    EXPECT_EQ(Left(kBob, "fly"), seconds(0)) << "refused: nothing ran";
    EXPECT_EQ(Left(kBob, "god"), std::chrono::milliseconds(500'500))
        << "the wrapped command's, today's length";
    EXPECT_EQ(restored.added, 4u) << "every use within the longest window, whatever its name";
    EXPECT_EQ(restored.skipped, 0u);
}

TEST_F(UseRestore, ReadingStopsPastTheLongestCooldownAndGoesOnInRotatedFiles) {
    Write(*settings_.auditFile, {Line(kAlice, "fly", "granted", 30), "{torn", ""});
    Write(Corvane::RotatedAuditFile(*settings_.auditFile, 1),
          {Line(kBob, "god", "granted", 400), "not json"});
    // Past the window and the slack: nothing here is read, not even its bad lines.
    Write(Corvane::RotatedAuditFile(*settings_.auditFile, 2), {"bad", Line(kBob, "fly", "granted", 1300)});
    Write(Corvane::RotatedAuditFile(*settings_.auditFile, 3), {"bad"});
    const auto restored = Restore();
    EXPECT_GT(Left(kAlice, "fly"), seconds(0));
    EXPECT_GT(Left(kBob, "god"), seconds(0));
    EXPECT_EQ(restored.skipped, 3u) << "the torn line, the empty one and 'not json'";
    EXPECT_EQ(restored.unreadable, "");
}

// Servers sharing a file may disagree on the time: a line that looks older
// than the window hides no use behind it unless it is older by the slack too.
TEST_F(UseRestore, ReadingGoesOnPastALineOlderThanTheWindowByTenMinutes) {
    struct Case {
        int slowLineAgo;
        bool found;
    } cases[] = {{601 + 590, true}, {601 + 610, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.slowLineAgo);
        Write(*settings_.auditFile,
              {Line(kAlice, "god", "granted", 500), Line(kBob, "walk", "refused", c.slowLineAgo),
               Line(kAlice, "fly", "granted", 20)});
        Restore();
        EXPECT_EQ(Left(kAlice, "god") > seconds(0), c.found);
        EXPECT_GT(Left(kAlice, "fly"), seconds(0));
    }
}

// A line skipped as broken says nothing of where the record's window ends,
// whatever its time: the uses before it are read.
TEST_F(UseRestore, ABrokenLineOlderThanTheWindowStopsNothing) {
    const struct {
        const char* what;
        std::string line;
    } cases[] = {
        {"not a record", R"({"time":"2026-11-07T23:59:30Z","steamId":)"},
        {"carried, with no hash",
         Record({{"action", "carried"}, {"outcome", "granted"}, {"names", {"god"}}}, 90'000)},
        {"carried use, with no names",
         Record({{"action", "carried"}, {"outcome", "granted"}, {"carries", "dd192622639505b2"}}, 90'000)},
        {"forgive, forgiving no one", Record({{"action", "forgive"}, {"outcome", "forgiven"}}, 90'000)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Write(*settings_.auditFile,
              {Line(kAlice, "god", "granted", 500), c.line, Line(kBob, "fly", "granted", 20)});
        const auto restored = Restore();
        EXPECT_GT(Left(kAlice, "god"), seconds(0));
        EXPECT_EQ(restored.skipped, 1u);
    }
}

// Newer versions add kinds of lines: one this version does not know is
// counted under its name and passed over, whatever its time.
TEST_F(UseRestore, LinesOfKindsItDoesNotKnowArePassedOverAndCounted) {
    Write(
        *settings_.auditFile,
        {Line(kAlice, "god", "granted", 500),
         Record({{"action", "pardon"}, {"forgiven", "2"}, {"outcome", "pardoned"}}, 90'000),
         Record({{"command", "fly"}, {"outcome", "postponed"}}, 90'000),
         Record({{"action", "forgive"}, {"outcome", "later"}}, 90'000), Line(kAlice, "fly", "granted", 20)});
    const auto restored = Restore();
    EXPECT_GT(Left(kAlice, "god"), seconds(0));
    EXPECT_EQ(restored.passedOver,
              (std::map<std::string, std::size_t>{{"later", 1}, {"pardon", 1}, {"postponed", 1}}));
    EXPECT_EQ(restored.skipped, 0u);
}

// A granted command longer than the line's bound keeps only its start, which
// may not hold the name run; the names the line holds tell it.
TEST_F(UseRestore, TheNameRunIsTakenFromTheNamesTheLineHolds) {
    nlohmann::json cut = nlohmann::json::parse(Line(kBob, "", "granted", 30));
    cut["command"] = "wrap" + std::string(16'000, ' ');
    cut["cut"] = 1'010;
    cut["names"] = {"wrap", "god"};
    Write(*settings_.auditFile, {cut.dump()});
    Restore();
    EXPECT_GT(Left(kBob, "god"), seconds(0));
}

TEST_F(UseRestore, AUseStandingAsItsLineAndAsCarriedLinesCountsOnce) {
    const std::string twice = Line(kAlice, "god", "granted", 100);  // two uses in one second
    const std::string once = Line(kBob, "god", "granted", 50);
    const std::string deleted = Line(kAlice, "fly", "granted", 30);
    Write(Corvane::RotatedAuditFile(*settings_.auditFile, 2), {Carried(once)});
    Write(Corvane::RotatedAuditFile(*settings_.auditFile, 1), {twice, twice, once});
    Write(*settings_.auditFile, {Carried(twice), Carried(twice), Carried(once), Carried(deleted)});
    const auto restored = Restore();
    EXPECT_EQ(restored.uses, 4u);
    EXPECT_GT(Left(kAlice, "fly"), seconds(0)) << "from its carried line alone";
    EXPECT_GT(Left(kBob, "god"), seconds(0));
}

// A forgive line forgives the uses before it, wherever they are: a use and a
// forgive line stand where their originals do, or, when those are gone, where
// their oldest carried lines do.
TEST_F(UseRestore, AForgiveLineForgivesTheUsesBeforeItWhereverTheyStand) {
    const auto forgive = [](std::uint64_t whom, const char* name, int ago) {
        nlohmann::json line = {
            {"action", "forgive"}, {"forgiven", std::to_string(whom)}, {"outcome", "forgiven"}};
        if (name != nullptr) {
            line["forgivenName"] = name;
        }
        return Record(line, ago);
    };
    const auto carriedForgive = [](const std::string& original) {
        const auto entry = Corvane::ParseAuditEntry(original);
        return Corvane::CarriedLine(Corvane::RecordedForgive{entry->time,
                                                             entry->steamId,
                                                             *entry->forgiven,
                                                             entry->forgivenName,
                                                             std::nullopt,
                                                             Corvane::LineHash(original),
                                                             {}});
    };
    const std::string before = Line(kAlice, "god", "granted", 300);
    const std::string forgiven = forgive(kAlice, "god", 200);
    const std::string after = Line(kAlice, "god", "granted", 100);
    const std::string bobs = Line(kBob, "god", "granted", 250);
    const std::string bobForgiven = forgive(kBob, nullptr, 150);
    const struct {
        const char* story;
        std::vector<std::string> rotated, current;
        bool aliceHeld, bobHeld;
    } cases[] = {
        {"one file", {}, {before, bobs, forgiven, bobForgiven}, false, false},
        {"a use after the forgive line", {}, {before, forgiven, after}, true, false},
        {"another name is not forgiven", {}, {bobs, forgive(kBob, "fly", 150)}, false, true},
        // As a rotation leaves them: the forgive line carried before the use that came after it.
        {"carried, the rotated file kept",
         {before, forgiven, after},
         {carriedForgive(forgiven), Carried(after)},
         true,
         false},
        {"carried, the rotated file gone", {}, {carriedForgive(forgiven), Carried(after)}, true, false},
        {"a forgive line newer than the file the use is in",
         {before, bobs},
         {Carried(before), Carried(bobs), forgiven, bobForgiven},
         false,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.story);
        fs::remove(Corvane::RotatedAuditFile(*settings_.auditFile, 1));
        if (!c.rotated.empty()) {
            Write(Corvane::RotatedAuditFile(*settings_.auditFile, 1), c.rotated);
        }
        Write(*settings_.auditFile, c.current);
        Restore();
        EXPECT_EQ(Left(kAlice, "god") > seconds(0), c.aliceHeld);
        EXPECT_EQ(Left(kBob, "god") > seconds(0), c.bobHeld);
    }
}

// A reload that moved "AuditLog" says so in the new file: the record goes on
// in the file before it, which is read too, once.
TEST_F(UseRestore, TheFilesReloadLinesNameAsTheOnesBeforeAreReadToo) {
    const fs::path old = folder_ / "old.jsonl";
    const auto reload = [&](const fs::path& before) {
        return Record({{"action", "reload"}, {"outcome", "reloaded"}, {"previousAuditLog", before.string()}},
                      60);
    };
    Write(Corvane::RotatedAuditFile(old, 1), {Line(kBob, "god", "granted", 400)});
    Write(old, {Line(kAlice, "god", "granted", 300), reload(*settings_.auditFile)});
    Write(*settings_.auditFile,
          {reload(old), reload(folder_ / "." / "old.jsonl"), reload(*settings_.auditFile)});
    const auto restored = Restore();
    EXPECT_GT(Left(kAlice, "god"), seconds(0));
    EXPECT_GT(Left(kBob, "god"), seconds(0)) << "with its rotated files";
    EXPECT_EQ(restored.uses, 2u) << "each file once";
}

TEST_F(UseRestore, AFileThatCantBeReadIsSaidAndStopsNothing) {
    Write(*settings_.auditFile, {Line(kAlice, "fly", "granted", 30)});
    fs::create_directory(Corvane::RotatedAuditFile(*settings_.auditFile, 1));
    const auto restored = Restore();
    EXPECT_GT(Left(kAlice, "fly"), seconds(0));
    EXPECT_THAT(restored.unreadable, ::testing::StartsWith("Can't read the audit file "));
}

TEST_F(UseRestore, NothingIsReadWithoutAControlThatRemembersOrAnAuditFile) {
    Write(*settings_.auditFile, {Line(kAlice, "fly", "granted", 30), "bad"});
    settings_.commands.clear();
    EXPECT_EQ(Restore().skipped, 0u);
    settings_.commands["fly"].cooldown = seconds(60);
    settings_.auditFile.reset();
    EXPECT_EQ(Restore().added, 0u);
}

TEST(BackwardLines, GivesTheLinesNewestFirstWhateverTheirLength) {
    const fs::path file = fs::temp_directory_path() / "corvane-backward-lines.jsonl";
    const std::string longLine(100'000, 'x');  // longer than any audit line, across blocks
    const std::string mid(70'000, 'y');
    std::ofstream(file, std::ios::binary) << "first\n"
                                          << mid.substr(0, 60'000) << "\n"
                                          << longLine << "\nlast";
    std::vector<std::string> read;
    {
        Corvane::BackwardLines lines(file);  // holds the file open while it lives
        while (const auto line = lines.Previous()) {
            read.push_back(line->size() > 10 ? std::to_string(line->size()) : *line);
        }
    }
    EXPECT_THAT(read, ElementsAre("last", "", "60000", "first")) << "the overlong line comes back empty";
    fs::remove(file);
}

}  // namespace
