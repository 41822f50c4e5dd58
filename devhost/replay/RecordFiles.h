// The files of an audit record as replay and the report read them: each file
// named brings its rotated files with it, oldest first.
#pragma once

#include <cstddef>
#include <filesystem>
#include <vector>

namespace DevHost {

struct RecordFile {
    std::filesystem::path path;
    // Which of the named files brought it: itself, or one whose rotated file it is.
    std::size_t named = 0;
};

// Every file to read, oldest first: each named file after its rotated files.
// A file comes once, at its last place, so that "CheatAudit*.jsonl" (which
// names the rotated files before the one that brings them) reads in order.
// Throws std::runtime_error naming a named file that is not there, or a
// file that is not a regular one: a pipe would wait for a writer, and a
// device could be read without end.
std::vector<RecordFile> RecordFiles(const std::vector<std::filesystem::path>& named);

}  // namespace DevHost
