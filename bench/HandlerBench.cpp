// The /cheat handler end to end: a chat line routed by the stand-in framework
// to the loaded plugin, through the permissions plugin to the stand-in
// engine's console, chat and gameplay log. Also counts the heap allocations
// (outside the engine allocator) each call makes, and who makes them.
#include <fmt/format.h>

#include "bench/AllocationCount.h"
#include "bench/Configs.h"
#include "bench/RatioReporter.h"
#include "devhost/server/StandInServer.h"
#include "host/Velkor.h"

namespace {

const WideString& Line() {
    static const WideString line = Velkor::Tools::Utf8Decode("/cheat giveitem 10 20");
    return line;
}

enum class Scenario { Quiet, Broadcast, Refused };

// A server of the scenario with the given number of players, the first of
// whom says the line; a warm-up line loads the permissions plugin.
struct Stage {
    DevHost::StandInServer server{DevHost::ServerDirectory::Temporary("corvane-bench-")};
    AShooterPlayerController* speaker = nullptr;
    bool ready = false;

    Stage(Scenario scenario, std::int64_t players) {
        server.WriteConfig(Bench::MessagesConfig(scenario == Scenario::Broadcast));
        speaker = server.Join("Rex", 1);
        for (std::int64_t i = 1; i < players; ++i) {
            server.Join("Player" + std::to_string(i), 100 + static_cast<std::uint64_t>(i));
        }
        if (scenario != Scenario::Refused) {
            server.Grant(1, "Cheat.giveitem");
        }
        ready = server.Load() &&
                DevHost::RouteChat(speaker, Line()).outcome == DevHost::RouteResult::Outcome::Handled;
    }
};

void Handler(benchmark::State& state, Scenario scenario) {
    Stage stage(scenario, scenario == Scenario::Broadcast ? state.range(0) : 1);
    if (!stage.ready) {
        state.SkipWithError("the plugin did not load or handle the line");
        return;
    }
    const std::uint64_t allocations = Bench::AllocationCount();
    for (auto _ : state) {
        DevHost::RouteChat(stage.speaker, Line());
    }
    state.counters["heap_allocs"] =
        benchmark::Counter(static_cast<double>(Bench::AllocationCount() - allocations) /
                           static_cast<double>(state.iterations()));
}

BENCHMARK_CAPTURE(Handler, quiet, Scenario::Quiet)->Name("Handler/granted/no-broadcast");
BENCHMARK_CAPTURE(Handler, broadcast, Scenario::Broadcast)
    ->Name("Handler/granted/broadcast")
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000);
BENCHMARK_CAPTURE(Handler, refused, Scenario::Refused)->Name("Handler/refused");

void PrintAttribution(std::ostream& out, const char* name, Scenario scenario, std::int64_t players) {
    Stage stage(scenario, players);
    Bench::StartAttributing();
    DevHost::RouteChat(stage.speaker, Line());
    const auto counts = Bench::StopAttributing();
    std::string line = fmt::format("{:<34}", name);
    for (const auto& [owner, count] : counts) {
        line += fmt::format(" {} {}", owner, count);
    }
    out << line << '\n';
}

void Summarise(const Bench::Times& times, std::ostream& out) {
    const auto quiet = times.find("Handler/granted/no-broadcast");
    const auto at10 = times.find("Handler/granted/broadcast/10");
    const auto at1000 = times.find("Handler/granted/broadcast/1000");
    if (quiet != times.end() && at10 != times.end() && at1000 != times.end()) {
        const double per10 = (at10->second - quiet->second) / 10;
        const double per1000 = (at1000->second - quiet->second) / 1000;
        out << fmt::format("broadcast cost per player: {:.0f} ns at 10 players, {:.0f} ns at 1000\n", per10,
                           per1000);
        Bench::PrintRatio(out, "per player, 1000 / 10 players", per1000 / per10, 1.2);
    }
    out << "\nheap allocations of one call, by the library that asked for them:\n";
    PrintAttribution(out, "granted, no broadcast", Scenario::Quiet, 1);
    PrintAttribution(out, "granted, broadcast to 10", Scenario::Broadcast, 10);
    PrintAttribution(out, "refused", Scenario::Refused, 1);
}

}  // namespace

int main(int argc, char** argv) {
    return Bench::RunWithSummary(argc, argv, Summarise);
}
