// Loading and unloading the plugin library with a 1 KB configuration, as a
// server does: the library opened, its attach notification (logger,
// configuration, registration), its detach, the library closed; and the same
// with an audit record of 1 MB and of 100 MB to read a cooldown, a use limit
// and a tier's back from.
#include <fmt/chrono.h>
#include <fmt/format.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>

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

// Loading with an audit record of the given size whose last hour (the
// longest window) holds the same 100 granted uses: reading it back at load
// must cost what the window holds, not what the file does.
std::filesystem::path RecordOf(std::uint64_t bytes, const std::filesystem::path& folder) {
    const std::filesystem::path file = folder / fmt::format("record-{}.jsonl", bytes);
    std::ofstream out(file, std::ios::binary);
    const auto line = [](std::chrono::sys_seconds when, int player) {
        return fmt::format(
                   R"({{"time":"{:%Y-%m-%dT%H:%M:%SZ}","steamId":"{}","character":"Player","command":"fly",)"
                   R"("permission":"Cheat.fly","outcome":"granted"}})",
                   when, 76561198000000000 + player % 1000) +
               "\n";
    };
    const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    const std::string old = line(now - std::chrono::hours(48), 0);
    for (std::uint64_t written = 0; written + old.size() < bytes; written += old.size()) {
        out << old;
    }
    for (int i = 0; i < 100; ++i) {
        out << line(now - std::chrono::seconds(100 - i), i);
    }
    return file;
}

void LoadWithRecord(benchmark::State& state) {
    const auto bytes = static_cast<std::uint64_t>(state.range(0));
    DevHost::StandInServer server(DevHost::ServerDirectory::Temporary("corvane-bench-"));
    const std::filesystem::path record = RecordOf(bytes, server.Directory().PluginFolder());
    server.WriteConfig(
        fmt::format(R"({{"PrintToChat": false, "AuditLog": "{}", "Commands": {{"fly": {{"Cooldown": 3600,
          "MaxUses": {{"Count": 5, "Per": 3600}},
          "Tiers": [{{"Permission": "Group.Donor", "Cooldown": 60, "MaxUses": {{"Count": 10}}}}]}}}},
        "Messages": {{"LogMsg": "{{0}} ran {{1}}", "NoPermissions": "No.", "Sender": "Server"}}}})",
                    record.filename().string()));
    for (auto _ : state) {
        if (!server.Load()) {
            state.SkipWithError(server.LoadError().c_str());
            return;
        }
        server.Unload();
    }
}

BENCHMARK(LoadUnload)->Name("Plugin/load-unload/1KB")->Unit(benchmark::kMicrosecond);
BENCHMARK(LoadWithRecord)
    ->Name("Plugin/load-with-record")
    ->ArgName("bytes")
    ->Arg(1 << 20)
    ->Arg(100 << 20)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(AttachDetach)->Name("Plugin/attach-detach/1KB")->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return Bench::RunWithSummary(argc, argv, [](const Bench::Times& times, std::ostream& out) {
        const auto small = times.find("Plugin/load-with-record/bytes:1048576");
        const auto large = times.find("Plugin/load-with-record/bytes:104857600");
        if (small != times.end() && large != times.end()) {
            Bench::PrintRatio(out, "load with a 100 MB record / a 1 MB one, the same window",
                              large->second / small->second, 1.2);
        }
    });
}
