// Where the cluster's table starts a part, the file entry a carried line is
// counted under: each server's and instance's first row, each run of carried
// rows after a line of the file's own, and a carried row after rows a time
// range left unread.
#include "devhost/report/TableParts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

TEST(TableParts, APartStartsWhereAFileMayHaveStarted) {
    struct Row {
        std::string server, instance;
        std::uint64_t seq;
        bool carried, starts;
    };
    const std::vector<Row> rows = {
        {"a", "i1", 1, false, true},  // the first row
        {"a", "i1", 2, false, false},
        {"a", "i1", 3, true, true},    // carried after a line of its own: a rotation
        {"a", "i1", 4, true, false},   // the same run
        {"a", "i1", 5, false, false},  // the line that rotated
        {"a", "i1", 9, false, false},  // rows left unread before a line of its own
        {"a", "i1", 10, true, true},
        {"a", "i1", 14, true, true},  // rows left unread between carried rows: a file may end there
        {"a", "i1", 15, false, false},
        {"a", "i2", 1, true, true},  // another instance
        {"a", "i2", 2, true, false},
        {"b", "i2", 3, true, true},  // another server, whatever its instance and seq
        {"c", "i3", 1, false, true},
    };
    DevHost::Report::TableParts parts;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.server + " " + row.instance + " " + std::to_string(row.seq));
        EXPECT_EQ(parts.Starts(row.server, row.instance, row.seq, row.carried), row.starts);
    }
}

}  // namespace
