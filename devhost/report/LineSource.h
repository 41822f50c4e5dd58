// Where the report's lines come from. The audit files named on the command
// line are one source; another (a table several servers share) gives its
// lines the same way, each line under a file entry of its own.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "devhost/replay/RecordFiles.h"
#include "devhost/report/ReportBuilder.h"

namespace DevHost::Report {

class LineSource {
public:
    virtual ~LineSource() = default;
    // Gives every line to the builder.
    virtual void ReadInto(ReportBuilder& builder) = 0;
};

// A file named on the command line, and the server its lines are when they
// have no "server" member; none for the name of the file's folder.
struct NamedFile {
    std::filesystem::path path;
    std::optional<std::string> server;
};

// The named files with their rotated files, each read as replay reads them.
class AuditFiles : public LineSource {
public:
    // Throws std::runtime_error naming a file that is not there.
    explicit AuditFiles(const std::vector<NamedFile>& named);
    void ReadInto(ReportBuilder& builder) override;

private:
    std::vector<RecordFile> files_;
    std::vector<std::string> servers_;  // by named file
};

}  // namespace DevHost::Report
