// A stand-in server for one benchmark: its own directory holding the given
// configuration, a log sink that drops everything, players and grants, and
// the plugin library loaded as a server loads it. Everything is undone when
// it goes out of scope.
#pragma once

#include <cstdint>
#include <string>

#include "devhost/framework/Framework.h"
#include "devhost/framework/TemporaryServerDirectory.h"

namespace Bench {

// A configuration with the shipped messages and this switch.
std::string MessagesConfig(bool printToChat);

class BenchServer {
public:
    explicit BenchServer(const std::string& config);
    ~BenchServer();
    BenchServer(const BenchServer&) = delete;
    BenchServer& operator=(const BenchServer&) = delete;

    DevHost::PluginHost& Plugin() { return plugin_; }
    AShooterPlayerController* Join(const std::string& name, std::uint64_t steamId);
    void Grant(std::uint64_t steamId, const std::string& permission);
    // Empties the engine's records once they hold many entries, so a long run
    // keeps its memory; the cost is spread over the calls that made them.
    void TrimRecords();

private:
    DevHost::TemporaryServerDirectory directory_;
    DevHost::PluginHost plugin_;
};

}  // namespace Bench
