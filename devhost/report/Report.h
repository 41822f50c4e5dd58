// corvane-devhost report FILE... -o PAGE: a static, self-contained HTML page
// of who ran what, with charts and filters, from the audit files of one
// server or several, or from the cluster's table. Nothing listens and nothing is fetched: the page holds
// its data, its script and its chart library, and its Content-Security-Policy
// lets nothing else run or load.
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <vector>

#include "devhost/report/LineSource.h"
#include "devhost/report/ReportBuilder.h"

namespace DevHost::Report {

struct ReportRequest {
    std::vector<NamedFile> files;
    // Instead of files: the config.json whose Cluster.Database names the cluster's table.
    std::optional<std::filesystem::path> cluster;
    TimeRange range;
    std::filesystem::path output;
};

// 0 when the page is written (a line of figures on out); 2 when a file is
// missing, the table can't be read or the page can't be written (said on errors).
int WriteReport(const ReportRequest& request, std::ostream& out, std::ostream& errors);

}  // namespace DevHost::Report
