// The cluster's table (docs/CLUSTER.md) as the report's source of lines: the
// rows of every server within the time range, read with prepared statements
// in the order of each line's key and streamed, so that a table of any size
// takes the memory of one row; each row under its part (TableParts.h), and
// the rows outside the range counted, as a file's lines outside it are.
#pragma once

#include <filesystem>

#include "companion/ClusterConfig.h"
#include "companion/Database.h"
#include "devhost/report/LineSource.h"

namespace DevHost::Report {

class ClusterTable : public LineSource {
public:
    // Connects as Cluster.Database of the config file says, and checks the
    // table's version. Throws std::runtime_error saying what is wrong, which
    // never holds the password.
    ClusterTable(const std::filesystem::path& config, TimeRange range);
    void ReadInto(ReportBuilder& builder) override;

private:
    [[noreturn]] void Fail(const Companion::DatabaseFailure& failure) const;

    Companion::ConnectorLibrary library_;
    Companion::DatabaseSettings settings_;
    Companion::Connection connection_;
    TimeRange range_;
};

}  // namespace DevHost::Report
