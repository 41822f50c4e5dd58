// corvane-companion: copies a server's audit lines to the cluster's table and
// brings the other servers' uses back into the feed file (docs/CLUSTER.md).
//   corvane-companion CONFIG              runs until stopped (SIGTERM, SIGINT, Ctrl+C)
//   corvane-companion --check CONFIG      tries the database and the table, and says what is missing
//   corvane-companion --until-idle CONFIG copies what there is, fills the feed, and ends
// CONFIG is the plugin's config.json. Exit status: 0, 1 for a problem, 2 for usage.
#include <atomic>
#include <csignal>
#include <cstring>

#include <fmt/format.h>

#include "companion/ClusterConfig.h"
#include "companion/Companion.h"
#include "companion/Database.h"
#include "companion/Log.h"

namespace {

std::atomic<bool> stopping{false};

extern "C" void Stop(int) {
    stopping = true;
}

int Usage() {
    fmt::print(stderr, "usage: corvane-companion [--check | --until-idle] path/to/config.json\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    bool check = false;
    Companion::RunOptions options;
    const char* configFile = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--check") == 0) {
            check = true;
        } else if (std::strcmp(argv[i], "--until-idle") == 0) {
            options.untilIdle = true;
        } else if (configFile == nullptr && argv[i][0] != '-') {
            configFile = argv[i];
        } else {
            return Usage();
        }
    }
    if (configFile == nullptr || (check && options.untilIdle)) {
        return Usage();
    }
    const Companion::ConfigResult read = Companion::ReadClusterConfig(configFile);
    if (!read.config) {
        Companion::LogError(read.problem);
        return 1;
    }
    const Companion::ConnectorLibrary connector;
    if (check) {
        return Companion::CheckDatabase(*read.config);
    }
    std::signal(SIGTERM, Stop);
    std::signal(SIGINT, Stop);
    return Companion::RunCompanion(*read.config, options, stopping);
}
