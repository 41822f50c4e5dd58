// The audit writer and its line, called directly: the bound on a line and the
// counts of what was cut, the escapes, one write a line, and no fragment
// after a failed write.
#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "core/AuditLog.h"
#include "devhost/platform/FileFaults.h"
#include "devhost/server/ServerDirectory.h"
#include "host/Velkor.h"

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
// characters left out that makes up the rest.
void ExpectCutWithCounts(const Corvane::AuditRecord& record, const std::string& line) {
    EXPECT_LE(line.size() + 1, Corvane::kAuditLineLimit);
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
    const Case cases[] = {
        {"a 3,000,000-character permission word",
         Refused(Repeated(WIDE("x"), 3'000'000)),
         {"cut", "permissionCut"}},
        {"3,000 U+202E, each written as six bytes",
         Refused(Repeated(WIDE("\u202E"), 3'000)),
         {"cut", "permissionCut"}},
        {"1,000 U+202E", Refused(Repeated(WIDE("\u202E"), 1'000)), {}},
        {"a long character and error", failed, {"characterCut", "errorCut"}},
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

TEST(AuditLine, WhatWouldHideOrReorderTheLineIsWrittenAsAnEscape) {
    const WideChar hidden[] = {0x061C, 0x200E, 0x200F, 0x202A, 0x202E, 0x2066, 0x2069, 0x00AD,
                               0x180E, 0x200B, 0x200D, 0x2060, 0x2064, 0xFEFF, 0x0085, 0x2028};
    for (const WideChar c : hidden) {
        const std::string escape = fmt::format("\\u{:04X}", static_cast<unsigned>(c));
        SCOPED_TRACE(escape);
        const std::string line = Corvane::AuditLine(Refused(WIDE("1") + WideString(1, c) + WIDE("0")));
        EXPECT_THAT(line, HasSubstr(R"("command":"1)" + escape + R"(0")"));
    }
}

TEST_F(AuditWriterTest, WritersSharingAFileLeaveOnlyWholeLines) {
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

TEST_F(AuditWriterTest, AWriteThatFailsLeavesNoFragmentBeforeTheNextLine) {
    struct Case {
        FileFault fault;
        bool fragmentStays;
    } cases[] = {{FileFault::ShortWrite, false}, {FileFault::FailedCutBack, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fragmentStays ? "failed cut-back" : "short write");
        fs::remove(File());
        Corvane::AuditWriter writer(File());
        writer.Append(Refused(WIDE("walk")));
        const std::string before = Read(File());
        {
            const DevHost::Platform::ArmedFileFault armed(c.fault, File());
            const std::string failure = AppendFailure(writer, Refused(WIDE("fly")));
            EXPECT_THAT(failure, HasSubstr("Can't write the audit file"));
            EXPECT_THAT(failure, HasSubstr("bytes were written"));
        }
        EXPECT_EQ(Read(File()).size() > before.size(), c.fragmentStays);
        writer.Append(Refused(WIDE("swim")));
        const std::vector<std::string> lines = LinesOf(File());
        ASSERT_THAT(lines, SizeIs(c.fragmentStays ? 3 : 2));
        EXPECT_TRUE(json::accept(lines.front()));
        EXPECT_EQ(json::parse(lines.back())["command"], "swim") << "the next line is whole, on its own";
    }
}

}  // namespace
