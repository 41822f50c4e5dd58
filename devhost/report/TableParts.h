// The cluster's table holds each server's lines in order (server, instance,
// seq), but not the files they were in. What the report needs of the files is
// where each run of carried lines stands (CarriedUses.h): a rotation starts
// a file with them, and a file rotated away holds a line of its own after
// its carried lines. So a part, the file entry the report counts a carried
// line under, starts at each server's and instance's first row and at each
// carried row whose row before it is no carried one. When a time range
// leaves rows unread, a carried row that does not follow the row read before
// it starts a part too, since the rows between may have ended a file. Two
// carried lines of one use in one file stay in one part: they and the lines
// carried between them, in time order, are of one time, in the range or not.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace DevHost::Report {

class TableParts {
public:
    // Whether this row, the next in the order of the table's key, starts a part.
    bool Starts(std::string_view server, std::string_view instance, std::uint64_t seq, bool carried);

private:
    std::string server_, instance_;
    std::optional<std::uint64_t> seq_;
    bool carried_ = false;
};

}  // namespace DevHost::Report
