// The report's counts and kept lines, made in one pass over the record's lines
// in any order of files: everything aggregated covers the whole record (within
// the time range asked for); the raw lines are capped (KeptLines).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "devhost/report/CarriedUses.h"
#include "devhost/report/Dictionary.h"
#include "devhost/report/KeptLines.h"
#include "devhost/report/Players.h"
#include "devhost/report/RefusalRuns.h"
#include "devhost/report/UseCounts.h"

namespace DevHost::Report {

// Both ends included; either may be open.
struct TimeRange {
    std::optional<std::chrono::sys_seconds> from, to;
    bool Holds(std::chrono::sys_seconds time) const {
        return (!from || time >= *from) && (!to || time <= *to);
    }
};

// What the command tells the operator once the page is written.
struct ReportFigures {
    std::uint64_t lines = 0;    // read, in the time range or not
    std::uint64_t invalid = 0;  // no line of the record: skipped
    std::uint64_t outside = 0;  // outside the time range
    std::uint64_t shown = 0;    // raw lines in the page
    std::uint64_t leftOut = 0;  // raw lines the caps left out (each still counted)
    std::size_t servers = 0;
};

class ReportBuilder {
public:
    explicit ReportBuilder(TimeRange range, KeptLineCaps caps = {}) : range_(range), kept_(caps) {}

    // A file, or another source of lines, whose lines without a "server"
    // member are the named server's. Its number is for Add.
    std::size_t AddFile(std::string path, std::string server);
    // One line of that file, without its line break.
    void Add(std::size_t file, std::string_view text);
    // Lines outside the time range that a source counted instead of giving.
    void CountOutside(std::uint64_t lines) {
        figures_.lines += lines;
        figures_.outside += lines;
    }

    // The page's data as JSON (see ReportData.cpp), and its figures; the builder is spent.
    std::pair<std::string, ReportFigures> Finish(std::chrono::sys_seconds generated) &&;

private:
    struct File {
        std::string path;
        std::uint32_t server = 0;
        std::uint64_t lines = 0;
        std::uint64_t invalid = 0;
    };

    // A /cheat line's use (or one carried forward whose original is gone), counted count times.
    void CountUse(std::chrono::sys_seconds time, std::uint32_t player, std::uint32_t server,
                  std::uint32_t command, std::uint32_t outcome, std::uint64_t count);
    LineClass CountCheatLine(KeptLine& kept, std::string_view text);
    LineClass CountActionLine(KeptLine& kept, std::size_t file, std::string_view text);
    void Keep(KeptLine kept, LineClass kind);
    // Whether the line is a reload line already met in another file.
    bool AlreadyMet(std::size_t file, const ReportLine& line, std::string_view text);
    // Bucket: one hour for a span of up to three days, else one day.
    std::int64_t BucketSeconds() const;

    // Data writing, in ReportData.cpp.
    void WriteCommands(class JsonWriter& json, std::vector<std::uint32_t>& chartIds);
    void WriteUses(JsonWriter& json, const std::vector<std::uint32_t>& chartIds);
    void WritePlayers(JsonWriter& json, const std::vector<KeptLine>& lines);
    void WriteLines(JsonWriter& json, const std::vector<KeptLine>& lines);
    void WriteRuns(JsonWriter& json);

    TimeRange range_;
    KeptLines kept_;
    std::vector<File> files_;
    Dictionary servers_, outcomes_, commands_;
    Players players_;
    UseCounts uses_;
    RefusalRuns runs_;
    CarriedUses carried_;
    // A reload that moved the audit file wrote the same line to both files:
    // each reload line's hash, with the file it was first met in.
    std::unordered_map<std::uint64_t, std::size_t> reloads_;
    std::vector<std::uint64_t> outcomeLines_, outcomeOmitted_;
    std::map<std::pair<std::string, std::uint32_t>, std::uint64_t> actions_;  // (action, outcome): lines
    std::uint64_t carriedLines_ = 0, carriedCounted_ = 0;
    std::optional<std::chrono::sys_seconds> first_, last_;
    std::uint64_t order_ = 0;
    ReportFigures figures_;
};

// Adds count to counts[id], growing counts as needed.
void CountIn(std::vector<std::uint64_t>& counts, std::uint32_t id, std::uint64_t count);

// The command id the flood control's summaries are counted under in UseCounts.
inline constexpr std::uint32_t kSummaryCommand = UINT32_MAX;

}  // namespace DevHost::Report
