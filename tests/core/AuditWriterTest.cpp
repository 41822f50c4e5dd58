// The audit writer and its line, called directly: the bound on a line and the
// counts of what was cut, the escapes, one write a line, the part a failed
// write left alone on its line, rotation, and where a configured path puts
// the file.
#include <gmock/gmock.h>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <fmt/format.h>
#include <spdlog/logger.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "core/audit/AuditWriter.h"
#include "core/audit/RecordedUses.h"
#include "core/history/UseRestore.h"
#include "core/settings/AuditPath.h"
#include "core/text/PluginLog.h"
#include "devhost/platform/FileFaults.h"
#include "devhost/platform/Wine.h"
#include "devhost/server/ServerDirectory.h"
#include "engine/WideText.h"
#include "host/Velkor.h"
#include "tests/support/RecordingSink.h"

using ::testing::HasSubstr;
using ::testing::SizeIs;
using json = nlohmann::json;
namespace fs = std::filesystem;
using DevHost::Platform::FileFault;

namespace {

WideString Repeated(WideStringView text, std::size_t times) {
    WideString repeated;
    for (std::size_t i = 0; i < times; ++i) {
        repeated.append(text.begin(), text.end());
    }
    return repeated;
}

std::string Read(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(stream), {});
}

std::vector<std::string> LinesOf(const fs::path& file) {
    std::vector<std::string> lines;
    std::istringstream text(Read(file));
    for (std::string line; std::getline(text, line);) {
        lines.push_back(line);
    }
    return lines;
}

// A refused use, its command and permission as typed.
Corvane::AuditRecord Refused(const WideString& command) {
    Corvane::AuditRecord record;
    record.steamId = 76561198000000001;
    record.character = "Rex";
    record.command = command;
    record.permission = WIDE("Cheat.") + command.substr(0, command.find(WIDE(' ')));
    record.outcome = "refused";
    return record;
}

// What Append threw; empty when it wrote the line.
std::string AppendFailure(Corvane::AuditWriter& writer, const Corvane::AuditRecord& record) {
    try {
        writer.Append(record);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "";
}

class AuditWriterTest : public ::testing::Test {
protected:
    fs::path File(const std::string& name = "audit.jsonl") const { return folder_.Root() / name; }

    DevHost::ServerDirectory folder_ = DevHost::ServerDirectory::Temporary("corvane-audit-");
};

// Every text member is what was given, as a prefix, with a count of the
// characters left out that makes up the rest; a line that ran nothing is
// bounded far below one that ran, and so is every text a player supplies
// in it beside the command.
void ExpectCutWithCounts(const Corvane::AuditRecord& record, const std::string& line) {
    const bool turnedAway = Corvane::IsTurnAway(record.outcome);
    EXPECT_LE(line.size() + 1, turnedAway ? Corvane::kTurnAwayLineLimit : Corvane::kAuditLineLimit);
    const json written = json::parse(line);
    const std::pair<const char*, WideString> members[] = {
        {"character", Velkor::Tools::Utf8Decode(record.character)},
        {"command", record.command},
        {"permission", record.permission.value_or(WIDE(""))},
        {"error", Velkor::Tools::Utf8Decode(record.error)},
    };
    for (const auto& [name, given] : members) {
        if (!written.contains(name)) {
            continue;
        }
        SCOPED_TRACE(name);
        const WideString kept = Velkor::Tools::Utf8Decode(written[name].get<std::string>());
        const std::string cutName = std::string(name) == "command" ? "cut" : std::string(name) + "Cut";
        const std::size_t cut = written.value(cutName, std::size_t{0});
        EXPECT_EQ(kept.size() + cut, given.size());
        EXPECT_EQ(kept, given.substr(0, kept.size())) << "a cut keeps the start, surrogate pairs whole";
        if (turnedAway && std::string(name) != "command") {
            EXPECT_LE(kept.size(), 100u);
        }
    }
}

TEST(AuditLine, NoLineIsLongerThanTheBoundAndEachCutIsCounted) {
    struct Case {
        const char* name;
        Corvane::AuditRecord record;
        std::vector<const char*> cut;
    };
    Corvane::AuditRecord failed = Refused(WIDE("fly"));
    failed.outcome = "failed";
    failed.character = std::string(30'000, 'c');
    failed.error = std::string(30'000, 'e');
    Corvane::AuditRecord granted = Refused(WIDE("fly ") + Repeated(WIDE("x"), 100'000));
    granted.outcome = "granted";
    Corvane::AuditRecord pairs = Refused(Repeated(WIDE("\U0001F600"), 20'000));
    pairs.outcome = "granted";
    Corvane::AuditRecord named = Refused(WIDE("fly"));
    named.character = std::string(3'000, 'c');
    named.outcome = "cooldown";
    Corvane::AuditRecord denied = Refused(Repeated(WIDE("\u202E"), 1'000));
    denied.outcome = "denied";
    denied.names = std::vector<std::string>(20, std::string(100, 'w'));
    const Case cases[] = {
        {"a 3,000,000-character permission word",
         Refused(Repeated(WIDE("x"), 3'000'000)),
         {"cut", "permissionCut"}},
        {"3,000 U+202E, each written as six bytes",
         Refused(Repeated(WIDE("\u202E"), 3'000)),
         {"cut", "permissionCut"}},
        {"1,000 U+202E, past a turn-away's bound",
         Refused(Repeated(WIDE("\u202E"), 1'000)),
         {"cut", "permissionCut"}},
        {"300 U+202E", Refused(Repeated(WIDE("\u202E"), 300)), {"permissionCut"}},
        {"a long character and error", failed, {"characterCut", "errorCut"}},
        {"a long character, held back", named, {"characterCut"}},
        {"the longest names", denied, {"cut", "permissionCut"}},
        {"a granted command", granted, {"cut"}},
        {"surrogate pairs at every cut", pairs, {"cut", "permissionCut"}},
        {"a line within the bound", Refused(WIDE("walk ") + Repeated(WIDE("x"), 995)), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string line = Corvane::AuditLine(c.record);
        ExpectCutWithCounts(c.record, line);
        std::vector<const char*> cut;
        for (const char* name : {"cut", "characterCut", "permissionCut", "errorCut"}) {
            if (json::parse(line).contains(name)) {
                cut.push_back(name);
            }
        }
        EXPECT_EQ(cut, c.cut);
    }
}

// Each asked question costs its names and its answer whatever its text: 600
// of them took a line to 24 KB.
TEST(AuditLine, ManyAskedQuestionsAreThinnedToStayWithinTheBound) {
    struct Case {
        const char* outcome;
        std::size_t limit, kept;
    } cases[] = {{"granted", Corvane::kAuditLineLimit, 64}, {"denied", Corvane::kTurnAwayLineLimit, 16}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.outcome);
        Corvane::AuditRecord record = Refused(WIDE("x ") + Repeated(WIDE("a "), 600));
        record.outcome = c.outcome;
        for (int i = 0; i < 600; ++i) {
            record.asked.push_back({WIDE("Cheat.x.") + Repeated(WIDE("\u202E"), 50), true});
        }
        record.asked.back() = {WIDE("Cheat.x.last"), false};
        record.names = std::vector<std::string>(16, std::string(100, 'w'));
        const std::string line = Corvane::AuditLine(record);
        EXPECT_LE(line.size() + 1, c.limit);
        const json written = json::parse(line);
        EXPECT_EQ(written["asked"].size(), c.kept);
        EXPECT_EQ(written["askedCut"], 600 - c.kept);
        EXPECT_EQ(written["asked"].back(), json::parse(R"({"permission": "Cheat.x.last", "held": false})"))
            << "the question that decided is kept";
    }
}

TEST(AuditLine, TheNamesRunAreWrittenBoundedWithTheCountLeftOut) {
    Corvane::AuditRecord record = Refused(WIDE("wrap"));
    record.names.emplace();
    for (int i = 0; i < 40; ++i) {
        record.names->push_back(fmt::format("w{}", i));
    }
    record.names->push_back(std::string(500, 'g'));
    const json written = json::parse(Corvane::AuditLine(record));
    ASSERT_EQ(written["names"].size(), 16u);
    EXPECT_EQ(written["names"][14], "w14");
    EXPECT_EQ(written["names"][15], std::string(100, 'g')) << "the innermost, whose settings apply, is kept";
    EXPECT_EQ(written["namesCut"], 25);
    record.names.reset();
    EXPECT_FALSE(json::parse(Corvane::AuditLine(record)).contains("names"));
}

TEST(AuditLine, WhatWouldHideOrReorderTheLineIsWrittenAsAnEscape) {
    const struct {
        WideStringView text;
        const char* escape;
    } hidden[] = {
        {WIDE("\u061C"), "\\u061C"}, {WIDE("\u202E"), "\\u202E"},
        {WIDE("\u2069"), "\\u2069"}, {WIDE("\u00AD"), "\\u00AD"},
        {WIDE("\u200B"), "\\u200B"}, {WIDE("\uFEFF"), "\\uFEFF"},
        {WIDE("\u0085"), "\\u0085"}, {WIDE("\u2028"), "\\u2028"},
        {WIDE("\u034F"), "\\u034F"}, {WIDE("\u3164"), "\\u3164"},
        {WIDE("\u206D"), "\\u206D"}, {WIDE("\uFE0E"), "\\uFE0E"},
        {WIDE("\uFFFA"), "\\uFFFA"}, {WIDE("\U000E0041"), "\\uDB40\\uDC41"},
    };
    for (const auto& c : hidden) {
        SCOPED_TRACE(c.escape);
        const std::string line = Corvane::AuditLine(Refused(WIDE("1") + WideString(c.text) + WIDE("0")));
        EXPECT_THAT(line, HasSubstr(R"("command":"1)" + std::string(c.escape) + R"(0")"));
        EXPECT_EQ(json::parse(line)["command"],
                  Corvane::Engine::ToUtf8(WIDE("1") + WideString(c.text) + WIDE("0")))
            << "the escape reads back as the character";
    }
}

TEST_F(AuditWriterTest, WritersSharingAFileLeaveOnlyWholeLines) {
    if (DevHost::Platform::RunsUnderWine()) {
        GTEST_SKIP() << "Wine lets appends through two handles overlap; Windows makes each whole";
    }
    constexpr int kWriters = 4, kLines = 150;
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            Corvane::AuditWriter writer(File());
            Corvane::AuditRecord record =
                Refused(WIDE("fly ") + WideString(15'000, static_cast<WideChar>('a' + w)));
            record.outcome = "granted";
            for (int i = 0; i < kLines; ++i) {
                writer.Append(record);
            }
        });
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
    const std::vector<std::string> lines = LinesOf(File());
    ASSERT_THAT(lines, SizeIs(kWriters * kLines));
    for (const std::string& line : lines) {
        ASSERT_TRUE(json::accept(line)) << line.substr(0, 100);
    }
}

// Cutting the part back could cut off a line another server appended after
// it: the part stays, alone on its line, and the next line starts on a new one.
TEST_F(AuditWriterTest, APartWrittenStandsAloneAndTheNextLineStartsOnANewOne) {
    Corvane::AuditWriter writer(File());
    writer.Append(Refused(WIDE("walk")));
    const std::string before = Read(File());
    {
        const DevHost::Platform::ArmedFileFault armed(FileFault::ShortWrite, File());
        const std::string failure = AppendFailure(writer, Refused(WIDE("fly")));
        EXPECT_THAT(failure, HasSubstr("Can't write the audit file"));
        EXPECT_THAT(failure, HasSubstr("bytes were written"));
    }
    const std::string part = Read(File()).substr(before.size());
    EXPECT_THAT(part, ::testing::StartsWith(R"({"time":")")) << "the part written stays";
    Corvane::AuditWriter(File()).Append(Refused(WIDE("swim")));  // as after a reload
    Corvane::AuditWriter(File()).Append(Refused(WIDE("run")));
    const std::vector<std::string> lines = LinesOf(File());
    ASSERT_THAT(lines, SizeIs(4));
    EXPECT_FALSE(json::accept(lines[1])) << "the part, alone";
    EXPECT_EQ(json::parse(lines[2])["command"], "swim") << "the next line is whole, on its own";
    EXPECT_EQ(json::parse(lines[3])["command"], "run") << "and only that one starts with a line break";
}

// A pipe put in the audit file's place after the load must not hold the game
// thread: with no reader, or a reader that reads nothing, the use fails.
TEST_F(AuditWriterTest, APipeInTheFilesPlaceFailsTheUseInsteadOfWaiting) {
#if defined(_WIN32)
    GTEST_SKIP() << "Windows has no pipes among its files";
#else
    Corvane::AuditWriter writer(File());
    ASSERT_EQ(mkfifo(File().c_str(), 0600), 0);
    EXPECT_THAT(AppendFailure(writer, Refused(WIDE("fly"))), HasSubstr("Can't open the audit file"))
        << "no reader";
    const int reader = ::open(File().c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    std::string failure;
    for (int line = 0; line < 100 && failure.empty(); ++line) {  // a pipe holds 64 KiB
        failure = AppendFailure(writer, Refused(WIDE("fly ") + WideString(4'000, WIDE('x'))));
    }
    EXPECT_THAT(failure, HasSubstr("Can't write the audit file")) << "a reader that reads nothing";
    ::close(reader);
#endif
}

// Each line names its place in the order of appends.
Corvane::AuditRecord Numbered(int number) {
    Corvane::AuditRecord record = Refused(WIDE("walk ") + Repeated(WIDE("x"), 200));
    record.character = std::to_string(number);
    return record;
}

TEST_F(AuditWriterTest, RotationKeepsTheNewestFilesUnderTheirNumbers) {
    constexpr std::uint64_t kMaxBytes = 2000;
    constexpr int kLines = 60;
    for (const std::uint32_t keep : {0u, 1u, 3u}) {
        SCOPED_TRACE(keep);
        for (const auto& entry : fs::directory_iterator(folder_.Root())) {
            fs::remove_all(entry.path());
        }
        Corvane::AuditWriter writer(File("CheatAudit.jsonl"), Corvane::AuditRotation{kMaxBytes, keep});
        for (int i = 0; i < kLines; ++i) {
            writer.Append(Numbered(i));
        }
        std::vector<std::string> names;
        std::vector<int> numbers;
        for (std::uint32_t k = keep + 1; k-- > 0;) {
            const fs::path file = File(k == 0 ? "CheatAudit.jsonl" : fmt::format("CheatAudit.{}.jsonl", k));
            EXPECT_LE(fs::file_size(file), kMaxBytes);
            for (const std::string& line : LinesOf(file)) {
                numbers.push_back(std::stoi(json::parse(line)["character"].get<std::string>()));
            }
        }
        for (const auto& entry : fs::directory_iterator(folder_.Root())) {
            names.push_back(entry.path().filename().string());
        }
        EXPECT_THAT(names, SizeIs(keep + 1)) << "no file beyond Keep";
        ASSERT_FALSE(numbers.empty());
        EXPECT_EQ(numbers.back(), kLines - 1);
        for (std::size_t i = 1; i < numbers.size(); ++i) {
            EXPECT_EQ(numbers[i], numbers[i - 1] + 1) << "the files hold the newest lines, in order";
        }
    }
}

// A granted use of the command god, as the wrapper wrap ran it.
Corvane::AuditRecord Granted(int number) {
    Corvane::AuditRecord record =
        Refused(WIDE("wrap god ") + WideString(1, static_cast<WideChar>('a' + number % 26)));
    record.character = std::to_string(number);
    record.outcome = "granted";
    record.names = {"wrap", "god"};
    return record;
}

class Carrying : public AuditWriterTest {
protected:
    Carrying() {
        settings_.auditFile = File("CheatAudit.jsonl");
        settings_.auditRotate = Corvane::AuditRotation{kMaxBytes, 0};
        settings_.commands["god"].cooldown = std::chrono::hours(1);
    }
    void Clear() {
        for (const auto& entry : fs::directory_iterator(folder_.Root())) {
            fs::remove_all(entry.path());
        }
    }
    // The bytes of the file beyond the carried lines it starts with.
    static std::uint64_t NotCarried(const fs::path& file) {
        std::uint64_t carried = 0;
        for (const std::string& line : LinesOf(file)) {
            if (json::parse(line).value("action", "") != "carried") {
                break;
            }
            carried += line.size() + 1;
        }
        return fs::file_size(file) - carried;
    }
    // The files in the folder, each no fuller than MaxBytes beside its carried lines.
    std::size_t Files() {
        std::size_t files = 0;
        for (const auto& entry : fs::directory_iterator(folder_.Root())) {
            EXPECT_LE(NotCarried(entry.path()), kMaxBytes) << entry.path();
            ++files;
        }
        return files;
    }
    Corvane::RestoredUses Restore() {
        Corvane::UseHistory history;
        return Corvane::RestoreUses(settings_, history, std::chrono::system_clock::now(),
                                    Corvane::UseHistory::Clock::now());
    }

    static constexpr std::uint64_t kMaxBytes = 2000;
    Corvane::Settings settings_;
};

// With Keep 0 the rotated file is deleted at once: without the carried line,
// the restore would find nothing of the use.
TEST_F(Carrying, ARotationCarriesTheUsesStillNeededAndTheRestoreCountsEachOnce) {
    for (const std::uint32_t keep : {0u, 2u}) {
        SCOPED_TRACE(keep);
        Clear();
        settings_.auditRotate->keep = keep;
        Corvane::AuditWriter writer = Corvane::WriterFor(settings_);
        writer.Append(Granted(0));
        const std::string original = LinesOf(*settings_.auditFile).at(0);
        for (int i = 0; i < 60; ++i) {
            writer.Append(Numbered(i));
        }
        EXPECT_EQ(Files(), keep + 1);
        const json carried = json::parse(LinesOf(*settings_.auditFile).at(0));
        const json expected = {{"time", json::parse(original)["time"]},
                               {"steamId", "76561198000000001"},
                               {"action", "carried"},
                               {"outcome", "granted"},
                               {"names", {"wrap", "god"}},
                               {"carries", Corvane::HashText(Corvane::LineHash(original))}};
        EXPECT_EQ(carried, expected);
        const Corvane::RestoredUses restored = Restore();
        EXPECT_EQ(restored.uses, 1u) << "the use, carried into every file kept, counts once";
        EXPECT_EQ(restored.added, 1u);
    }
}

// A forgive line is carried too, in its place among the uses; the uses it
// forgave are not.
TEST_F(Carrying, AForgiveLineIsCarriedInItsPlaceAndTheUsesItForgaveAreNot) {
    Clear();
    Corvane::AuditWriter writer = Corvane::WriterFor(settings_);
    Corvane::AuditRecord forgive;
    forgive.steamId = 9;
    forgive.character = "Ann";
    forgive.action = "forgive";
    forgive.forgiven = 76561198000000001;
    forgive.forgivenName = "god";
    forgive.outcome = "forgiven";
    writer.Append(Granted(0));
    writer.Append(forgive);
    writer.Append(Granted(1));
    const std::vector<std::string> originals = LinesOf(*settings_.auditFile);
    for (int i = 0; i < 60; ++i) {
        writer.Append(Numbered(i));
    }
    std::vector<json> carried;
    for (const std::string& line : LinesOf(*settings_.auditFile)) {
        if (json::parse(line).value("action", "") == "carried") {
            carried.push_back(json::parse(line));
        }
    }
    ASSERT_EQ(carried.size(), 2u);
    EXPECT_EQ(carried[0], json({{"time", json::parse(originals[1])["time"]},
                                {"steamId", "9"},
                                {"action", "carried"},
                                {"outcome", "forgiven"},
                                {"forgiven", "76561198000000001"},
                                {"forgivenName", "god"},
                                {"carries", Corvane::HashText(Corvane::LineHash(originals[1]))}}));
    EXPECT_EQ(carried[1]["carries"], Corvane::HashText(Corvane::LineHash(originals[2])));
    EXPECT_EQ(Restore().uses, 1u) << "the use after the forgive line";
}

TEST_F(Carrying, CarriedLinesDoNotCountTowardMaxBytesSoARotationNeverLoops) {
    Clear();
    settings_.auditRotate->keep = 1;
    Corvane::AuditWriter writer = Corvane::WriterFor(settings_);
    constexpr int kUses = 40;  // their carried lines alone take more than MaxBytes
    for (int i = 0; i < kUses; ++i) {
        writer.Append(Granted(i));
        ASSERT_LE(Files(), 2u);
    }
    std::size_t originals = 0;
    for (const std::string& line : LinesOf(*settings_.auditFile)) {
        originals += json::parse(line).value("action", "") != "carried";
    }
    EXPECT_GT(originals, 1u) << "a rotation at every line";
    EXPECT_EQ(Restore().uses, std::size_t{kUses}) << "each use once, as a line and as a carried line";
    // A writer that did not rotate the file, as after a reload or on another
    // server, measures its carried lines itself.
    Clear();
    {
        std::ofstream carried(*settings_.auditFile, std::ios::binary);
        for (std::uint64_t hash = 0; hash < 20; ++hash) {
            carried << Corvane::CarriedLine(
                           hash, {std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()),
                                  1,
                                  {"god"},
                                  std::nullopt})
                    << '\n';
        }
    }
    ASSERT_GT(fs::file_size(*settings_.auditFile), kMaxBytes);
    Corvane::WriterFor(settings_).Append(Numbered(0));
    EXPECT_FALSE(fs::exists(File("CheatAudit.1.jsonl"))) << "a file of carried lines alone has room";
}

TEST_F(AuditWriterTest, ARotationThatFailsLogsOnceAndTheLinesGoOn) {
    auto sink = std::make_shared<RecordingSink>();
    sink->set_pattern("%v");
    Corvane::PluginLog() = std::make_shared<spdlog::logger>("Corvane", sink);
    Corvane::AuditWriter writer(File(), Corvane::AuditRotation{1000, 2});
    const auto appendUntilDue = [&](int lines) {
        for (int i = 0; i < lines; ++i) {
            writer.Append(Numbered(i));
        }
    };
    {
        const DevHost::Platform::ArmedFileFault armed(FileFault::FailedRename, File());
        appendUntilDue(12);
    }
    EXPECT_THAT(LinesOf(File()), SizeIs(12)) << "no use refused";
    EXPECT_FALSE(fs::exists(File("audit.1.jsonl")));
    ASSERT_THAT(sink->Lines(), SizeIs(1));
    EXPECT_THAT(sink->Lines()[0], HasSubstr("Can't rotate the audit file"));
    EXPECT_THAT(sink->Lines()[0], HasSubstr("can't rename audit.jsonl to audit.1.jsonl: Permission denied"));

    appendUntilDue(1);
    EXPECT_TRUE(fs::exists(File("audit.1.jsonl")));
    {
        const DevHost::Platform::ArmedFileFault armed(FileFault::FailedRename, File());
        appendUntilDue(12);
    }
    EXPECT_THAT(sink->Lines(), SizeIs(2)) << "once more after a rotation succeeded";
    Corvane::PluginLog().reset();
}

TEST_F(AuditWriterTest, TheProblemOfAFileIsFoundWithoutWritingToIt) {
    std::ofstream(File("kept.jsonl"), std::ios::binary) << "kept\n";
    std::ofstream(File("blocked")) << "a file, not a folder";
    struct Case {
        fs::path file;
        bool writable;
    } cases[] = {
        {File("kept.jsonl"), true},
        {folder_.Root() / "new" / "folders" / "audit.jsonl", true},
        {File("blocked") / "audit.jsonl", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.string());
        const std::string problem = Corvane::AuditFileProblem(c.file);
        EXPECT_EQ(problem.empty(), c.writable) << problem;
    }
    EXPECT_EQ(Read(File("kept.jsonl")), "kept\n");
    EXPECT_EQ(fs::file_size(folder_.Root() / "new" / "folders" / "audit.jsonl"), 0u);
}

TEST(AuditPath, APathNamesTheSameFileOnEitherSystemOrNone) {
    enum Where { InFolder, AsWritten, Nowhere };
    struct Case {
        const char* configured;
        bool windows;
        Where where;
        const char* problem = "";
    } cases[] = {
        {"audit.jsonl", true, InFolder},
        {"logs\\audit.jsonl", true, InFolder},
        {"C:\\logs\\audit.jsonl", true, AsWritten},
        {"\\\\host\\share\\audit.jsonl", true, AsWritten},
        {"//host/share/audit.jsonl", true, AsWritten},
        {"\\audit.jsonl", true, Nowhere, "starts at the root of the current drive"},
        {"/audit.jsonl", true, Nowhere, "starts at the root of the current drive"},
        {"D:audit.jsonl", true, Nowhere, "is relative to the current folder of drive D:"},
        {"audit.jsonl", false, InFolder},
        {"/var/log/audit.jsonl", false, AsWritten},
        {"\\audit.jsonl", false, Nowhere, "holds a backslash, which separates folders only on Windows"},
        {"logs\\audit.jsonl", false, Nowhere, "holds a backslash"},
        {"\\\\host\\share\\audit.jsonl", false, Nowhere, "holds a backslash"},
        {"D:audit.jsonl", false, Nowhere, "starts with drive D:, which only Windows has"},
        {"c:/logs/audit.jsonl", false, Nowhere, "starts with drive c:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.configured) + (c.windows ? " on Windows" : " elsewhere"));
        const Corvane::AuditPath path = Corvane::ResolveAuditPath(c.configured, "plugin", c.windows);
        const fs::path written(std::u8string(c.configured, c.configured + std::strlen(c.configured)));
        const fs::path expected = c.where == InFolder    ? fs::path("plugin") / written
                                  : c.where == AsWritten ? written
                                                         : fs::path();
        EXPECT_EQ(path.file, expected);
        EXPECT_THAT(path.problem, ::testing::StartsWith(c.problem));
        EXPECT_EQ(path.problem.empty(), c.where != Nowhere);
    }
}

}  // namespace

// In a cluster every line names its server right after its time, and a line
// at the bound keeps it whole: the companion copies a line by that name.
TEST(AuditLine, AServersNameFollowsTheTimeAndIsNeverCut) {
    Corvane::AuditRecord granted = Refused(WIDE("fly ") + Repeated(WIDE("x"), 20'000));
    granted.outcome = "granted";
    const std::string server(64, 's');
    for (const Corvane::AuditRecord& record : {Refused(WIDE("fly")), granted}) {
        const std::string line = Corvane::AuditLine(record, server);
        SCOPED_TRACE(line.substr(0, 120));
        EXPECT_EQ(line.substr(29, 14 + server.size()), R"(","server":")" + server + R"(",)");
        EXPECT_LE(line.size() + 1, Corvane::kAuditLineLimit);
        EXPECT_EQ(json::parse(line).at("server"), server);
    }
    // Beside it, the line is the one written outside a cluster.
    const std::string line = Corvane::AuditLine(Refused(WIDE("fly")), server);
    EXPECT_EQ(line.substr(30 + 12 + server.size()), Corvane::AuditLine(Refused(WIDE("fly"))).substr(30));
}
