// corvane-devhost report's command line: the files with their servers or the
// cluster's table, the time range (a day alone is the whole day), and the
// mistakes it refuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/audit/AuditEntry.h"
#include "devhost/app/Arguments.h"

namespace {

DevHost::Arguments Parse(std::vector<const char*> words) {
    words.insert(words.begin(), "corvane-devhost");
    return DevHost::ParseArguments(static_cast<int>(words.size()), words.data());
}

TEST(ReportArguments, FilesServersAndTheTimeRange) {
    const auto arguments = Parse({"report", "a/CheatAudit.jsonl", "--name", "island=b/x.jsonl", "--from",
                                  "2026-12-07", "--to", "2026-12-08", "-o", "page.html"});
    ASSERT_TRUE(arguments.report);
    const auto& request = *arguments.report;
    ASSERT_EQ(request.files.size(), 2U);
    EXPECT_EQ(request.files[0].path, "a/CheatAudit.jsonl");
    EXPECT_FALSE(request.files[0].server);
    EXPECT_EQ(request.files[1].path, "b/x.jsonl");
    EXPECT_EQ(request.files[1].server, "island");
    EXPECT_EQ(request.range.from, Corvane::ParseUtcTime("2026-12-07T00:00:00Z"));
    EXPECT_EQ(request.range.to, Corvane::ParseUtcTime("2026-12-08T23:59:59Z"));
    EXPECT_EQ(request.output, "page.html");
    const auto exact = Parse({"report", "x", "--to", "2026-12-08T10:00:00Z", "-o", "p"});
    EXPECT_EQ(exact.report->range.to, Corvane::ParseUtcTime("2026-12-08T10:00:00Z"));
}

TEST(ReportArguments, TheClusterTableInsteadOfFiles) {
    const auto arguments =
        Parse({"report", "--cluster", "island/config.json", "--from", "2026-12-07", "-o", "page.html"});
    ASSERT_TRUE(arguments.report);
    EXPECT_EQ(arguments.report->cluster, std::filesystem::path("island/config.json"));
    EXPECT_TRUE(arguments.report->files.empty());
    EXPECT_EQ(arguments.report->range.from, Corvane::ParseUtcTime("2026-12-07T00:00:00Z"));
}

TEST(ReportArguments, MistakesAreRefused) {
    const std::vector<std::vector<const char*>> cases = {
        {"report", "x"},
        {"report", "-o", "p"},
        {"report", "x", "-o"},
        {"report", "x", "--name", "=y", "-o", "p"},
        {"report", "x", "--name", "island", "-o", "p"},
        {"report", "x", "--from", "yesterday", "-o", "p"},
        {"report", "x", "--from", "2026-12-08", "--to", "2026-12-07", "-o", "p"},
        {"report", "x", "--json", "-o", "p"},
        {"report", "--cluster", "c.json", "x", "-o", "p"},
        {"report", "--cluster", "c.json", "--name", "island=x", "-o", "p"},
        {"report", "--cluster", "c.json", "--cluster", "d.json", "-o", "p"},
        {"report", "--cluster", "c.json"},
        {"report", "-o", "p", "--cluster"},
    };
    for (const auto& words : cases) {
        SCOPED_TRACE(words.size());
        EXPECT_THROW(Parse(words), std::invalid_argument);
    }
}

}  // namespace
