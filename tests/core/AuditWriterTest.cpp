// The audit line: the bound on a line and the counts of what was cut, and
// the escapes.
#include <gmock/gmock.h>

#include <nlohmann/json.hpp>

#include "core/AuditLine.h"
#include "host/Velkor.h"

using ::testing::HasSubstr;
using json = nlohmann::json;

namespace {

WideString Repeated(WideStringView text, std::size_t times) {
    WideString repeated;
    for (std::size_t i = 0; i < times; ++i) {
        repeated.append(text.begin(), text.end());
    }
    return repeated;
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

}  // namespace
