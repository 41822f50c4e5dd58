// The dev host's command line.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "devhost/replay/ReplayCommand.h"
#include "devhost/report/Report.h"

namespace DevHost {

struct Arguments {
    bool help = false;
    // check-config FILE: check that file and exit.
    std::optional<std::filesystem::path> configToCheck;
    // replay FILE... --config NEW [--json]
    std::optional<ReplayRequest> replay;
    // report FILE... [--name NAME=FILE]... [--from TIME] [--to TIME] -o PAGE, or
    // report --cluster CONFIG [--from TIME] [--to TIME] -o PAGE
    std::optional<Report::ReportRequest> report;
    std::optional<std::filesystem::path> serverDir;
    // A script file, or "-" for standard input.
    std::optional<std::string> script;
};

extern const char* const kUsage;

// Throws std::invalid_argument naming what is wrong with the command line.
Arguments ParseArguments(int argc, const char* const* argv);

}  // namespace DevHost
