// Reading the audit record back at load: newest line first, only as far as
// the longest cooldown reaches, each granted use starting its cooldown again
// with today's length, and nothing in a bad line or file stopping the load.
#include <fmt/chrono.h>
#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "core/AuditPath.h"
#include "core/AuditReader.h"
#include "core/CooldownRestore.h"

namespace {

using Corvane::Cooldowns;
using std::chrono::seconds;
using ::testing::ElementsAre;
namespace fs = std::filesystem;

constexpr std::uint64_t kAlice = 1;
constexpr std::uint64_t kBob = 2;

class CooldownRestore : public ::testing::Test {
protected:
    CooldownRestore() {
        fs::create_directories(folder_);
        settings_.auditFile = folder_ / "audit.jsonl";
        settings_.commands["fly"].cooldown = seconds(60);
        settings_.commands["god"].cooldown = seconds(600);
        settings_.wrappers = {"wrap"};
    }
    ~CooldownRestore() override { fs::remove_all(folder_); }

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

    static void Write(const fs::path& file, const std::vector<std::string>& lines) {
        std::ofstream out(file, std::ios::binary);
        for (const std::string& line : lines) {
            out << line << '\n';
        }
    }

    Corvane::RestoredCooldowns Restore() {
        return Corvane::RestoreCooldowns(settings_, table_, kNow, kSteadyNow);
    }
    Cooldowns::Clock::duration Left(std::uint64_t steamId, const char* name) const {
        return table_.Remaining(steamId, name, kSteadyNow);
    }

    static inline const std::chrono::system_clock::time_point kNow =
        std::chrono::sys_days{std::chrono::year(2026) / 12 / 8} + std::chrono::hours(12) +
        std::chrono::milliseconds(500);
    static inline const Cooldowns::Clock::time_point kSteadyNow =
        Cooldowns::Clock::time_point(std::chrono::hours(1));

    fs::path folder_ =
        fs::temp_directory_path() /
        ("corvane-restore-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    Corvane::Settings settings_;
    Cooldowns table_;
};

TEST_F(CooldownRestore, GrantedUsesWithinTheirCooldownStartItAgainInThePlayersDisfavour) {
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
    EXPECT_EQ(restored.started, 2u);
    EXPECT_EQ(restored.skipped, 0u);
}

TEST_F(CooldownRestore, ReadingStopsAtTheLongestCooldownAndGoesOnInRotatedFiles) {
    Write(*settings_.auditFile, {Line(kAlice, "fly", "granted", 30), "{torn", ""});
    Write(Corvane::RotatedAuditFile(*settings_.auditFile, 1),
          {Line(kBob, "god", "granted", 400), "not json"});
    // Past the window: nothing here is read, not even its bad lines.
    Write(Corvane::RotatedAuditFile(*settings_.auditFile, 2), {"bad", Line(kBob, "fly", "granted", 1000)});
    Write(Corvane::RotatedAuditFile(*settings_.auditFile, 3), {"bad"});
    const auto restored = Restore();
    EXPECT_GT(Left(kAlice, "fly"), seconds(0));
    EXPECT_GT(Left(kBob, "god"), seconds(0));
    EXPECT_EQ(restored.skipped, 3u) << "the torn line, the empty one and 'not json'";
    EXPECT_EQ(restored.unreadable, "");
}

TEST_F(CooldownRestore, AFileThatCantBeReadIsSaidAndStopsNothing) {
    Write(*settings_.auditFile, {Line(kAlice, "fly", "granted", 30)});
    fs::create_directory(Corvane::RotatedAuditFile(*settings_.auditFile, 1));
    const auto restored = Restore();
    EXPECT_GT(Left(kAlice, "fly"), seconds(0));
    EXPECT_THAT(restored.unreadable, ::testing::StartsWith("Can't read the audit file "));
}

TEST_F(CooldownRestore, NothingIsReadWithoutACooldownOrAnAuditFile) {
    Write(*settings_.auditFile, {Line(kAlice, "fly", "granted", 30), "bad"});
    settings_.commands.clear();
    EXPECT_EQ(Restore().skipped, 0u);
    settings_.commands["fly"].cooldown = seconds(60);
    settings_.auditFile.reset();
    EXPECT_EQ(Restore().started, 0u);
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
