// Loading and unloading the plugin library with a 1 KB configuration, as a
// server does: the library opened, its attach notification (logger,
// configuration, registration), its detach, the library closed.
#include <cstdint>

#include "bench/Configs.h"
#include "bench/RatioReporter.h"
#include "devhost/server/StandInServer.h"
#include "host/EntryNotification.h"

namespace {

// The shipped messages padded with a member the plugin ignores, to 1 KB.
std::string KilobyteConfig() {
    const std::string messages = Bench::MessagesConfig(true);
    const std::string head = messages.substr(0, messages.size() - 1) + R"(, "Notes": ")";
    const std::string tail = "\"}";
    return head + std::string(1024 - head.size() - tail.size(), 'x') + tail;
}

void LoadUnload(benchmark::State& state) {
    const std::string config = KilobyteConfig();
    DevHost::StandInServer server(DevHost::ServerDirectory::Temporary("corvane-bench-"));
    server.WriteConfig(config);
    for (auto _ : state) {
        if (!server.Load()) {
            state.SkipWithError(server.LoadError().c_str());
            return;
        }
        server.Unload();
    }
    state.counters["config_bytes"] = static_cast<double>(config.size());
}

// The plugin's own part: the attach and detach notifications on a library
// that stays open (logger, configuration, registration; unregistration).
void AttachDetach(benchmark::State& state) {
    DevHost::StandInServer server(DevHost::ServerDirectory::Temporary("corvane-bench-"));
    server.WriteConfig(KilobyteConfig());
    if (!server.Load()) {
        state.SkipWithError(server.LoadError().c_str());
        return;
    }
    server.NotifyThread(EntryNotification::ProcessDetach);
    for (auto _ : state) {
        server.NotifyThread(EntryNotification::ProcessAttach);
        server.NotifyThread(EntryNotification::ProcessDetach);
    }
    server.NotifyThread(EntryNotification::ProcessAttach);  // the unload detaches once more
}

BENCHMARK(LoadUnload)->Name("Plugin/load-unload/1KB")->Unit(benchmark::kMicrosecond);
BENCHMARK(AttachDetach)->Name("Plugin/attach-detach/1KB")->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return Bench::RunWithSummary(argc, argv, [](const Bench::Times&, std::ostream&) {});
}
