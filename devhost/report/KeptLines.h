// The raw lines the page shows, capped so that the report of any record stays
// a few megabytes: the most recent lines of every kind, then, of the lines
// older than those, the most recent that were not granted, and apart from
// them the most recent lines of the record's own (operator actions, carried
// lines, lines of actions the report does not know). What is left out is
// counted. "Most recent" is by the line's time, whatever order files come in.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "devhost/report/ReportLine.h"

namespace DevHost::Report {

// A text the page shows is cut after this many characters, with the count of
// those left out: a 16 KiB line shows its start.
inline constexpr std::size_t kShownCharacters = 1000;

// Cuts text after kShownCharacters characters (code points); the characters left out.
std::uint64_t CutForShowing(std::string& text);

struct KeptLine {
    ReportLine line;
    std::uint64_t order = 0;  // the line's place in the reading, for lines of the same second
    std::uint32_t player = 0;
    std::uint32_t server = 0;
    std::uint32_t outcome = 0;
    std::uint64_t hash = 0;       // of a carried line: the line it names; of another line: its own
    std::uint64_t otherLeft = 0;  // characters of texts other than the command cut for showing
};

enum class LineClass { kGranted, kNotGranted, kRecord };

struct KeptLineCaps {
    std::size_t recent = 20000;
    std::size_t notGranted = 30000;
    std::size_t record = 5000;
};

class KeptLines {
public:
    explicit KeptLines(KeptLineCaps caps) : caps_(caps) {}

    void Offer(KeptLine line, LineClass kind);
    // Every kept line, oldest first.
    std::vector<KeptLine> Take() &&;
    std::uint64_t LeftOut() const { return leftOut_; }
    const KeptLineCaps& Caps() const { return caps_; }

private:
    // What the heaps order, small to move; the line itself stays in its slot.
    struct Entry {
        std::chrono::sys_seconds time;
        std::uint64_t order = 0;
        std::uint32_t slot = 0;
        LineClass kind = LineClass::kGranted;
    };
    // A min-heap on (time, order): its front is the oldest line.
    void Push(std::vector<Entry>& heap, std::size_t cap, Entry entry);
    void Drop(const Entry& entry);

    KeptLineCaps caps_;
    std::vector<KeptLine> slots_;
    std::vector<std::uint32_t> free_;  // slots whose line was left out
    std::vector<Entry> recent_, notGranted_, record_;
    std::uint64_t leftOut_ = 0;
};

}  // namespace DevHost::Report
