// What reading the cluster's feed adds to a granted /cheat use: the same use
// through the stand-in server with Cluster configured (its feed checked
// before every decision) and without, in wall-clock time, since what the
// feed adds is a system call that instruction counts and CPU time miss.
// Runs of the two alternate, the plugin loaded again with the other
// configuration between them, and each side's median run is compared.
//
// The feed holds a heartbeat and 1,000 other servers' uses, read at load;
// between two runs a heartbeat is appended and the change counter bumped, as
// the companion does at every poll, so the first use of a run reads new lines
// and the others find the counter as it was.
#include <fmt/chrono.h>
#include <fmt/format.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <variant>
#include <vector>

#include "bench/Configs.h"
#include "bench/RatioReporter.h"
#include "core/settings/AuditPath.h"
#include "devhost/server/StandInServer.h"
#include "host/Velkor.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kPlayers = 10;
constexpr std::uint64_t kFirstSteamId = 76561198000000000;
constexpr int kRounds = 31;
constexpr int kUsesPerRun = 2000;
constexpr int kFeedUses = 1000;

std::string Time(std::chrono::system_clock::time_point at) {
    return fmt::format("{:%Y-%m-%dT%H:%M:%S}Z", std::chrono::floor<std::chrono::seconds>(at));
}

double CpuNanoseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

// A cooldown every use outlives, so no use is held back; with cluster, the feed beside the audit file.
std::string Config(bool cluster) {
    std::string config = Bench::MessagesConfig(false);
    config.pop_back();
    config += R"(, "AuditLog": "CheatAudit.jsonl", "Commands": {"giveitem": {"Cooldown": 1e-05}})";
    if (cluster) {
        config +=
            R"(, "Cluster": {"Server": "bench", "Database": {"Host": "127.0.0.1", "User": "corvane", "Name": "corvane"}})";
    }
    return config + "}";
}

// Written in place, as the companion bumps it after each write to the feed.
void BumpChanges(const fs::path& feed) {
    const fs::path file = Corvane::FeedChangesFile(feed);
    std::uint64_t counter = 0;
    std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
    if (!stream.is_open()) {
        stream.open(file, std::ios::out | std::ios::binary);
    }
    stream.read(reinterpret_cast<char*>(&counter), sizeof counter);
    stream.clear();
    ++counter;
    stream.seekp(0);
    stream.write(reinterpret_cast<const char*>(&counter), sizeof counter);
}

void AppendHeartbeat(const fs::path& feed) {
    std::ofstream(feed, std::ios::app)
        << fmt::format(R"({{"time":"{}","server":"other","action":"heartbeat","outcome":"alive"}})"
                       "\n",
                       Time(std::chrono::system_clock::now()));
    BumpChanges(feed);
}

void WriteFeed(const fs::path& feed) {
    std::ofstream out(feed, std::ios::trunc);
    const auto now = std::chrono::system_clock::now();
    for (int i = 0; i < kFeedUses; ++i) {
        out << fmt::format(R"({{"time":"{}","server":"other","steamId":"{}","character":"P","command":"fly",)"
                           R"("permission":"Cheat.fly","outcome":"granted"}})"
                           "\n",
                           Time(now - std::chrono::seconds(kFeedUses - i)),
                           kFirstSteamId + 1000 + static_cast<unsigned>(i));
    }
    out.close();
    AppendHeartbeat(feed);
}

class Stage {
public:
    Stage() {
        for (int i = 0; i < kPlayers; ++i) {
            const std::uint64_t steamId = kFirstSteamId + static_cast<std::uint64_t>(i);
            players_.push_back(server_.Join(fmt::format("Player{}", i), steamId));
            server_.Grant(steamId, "Cheat.giveitem");
        }
        WriteFeed(Feed());
    }

    fs::path Feed() const { return server_.Directory().PluginFolder() / "CheatFeed.jsonl"; }

    // The plugin loaded with or without Cluster; empty, or what went wrong.
    std::string Load(bool cluster) {
        server_.Unload();
        std::error_code ignored;
        fs::resize_file(server_.Directory().PluginFolder() / "CheatAudit.jsonl", 0, ignored);
        server_.WriteConfig(Config(cluster));
        if (!server_.Load()) {
            return "the plugin did not load: " + server_.LoadError();
        }
        std::size_t runs = 0;
        const DevHost::Subscription watch = server_.Subscribe([&](const DevHost::Event& event) {
            runs += std::holds_alternative<DevHost::ConsoleCommandRun>(event);
        });
        Uses(kPlayers);
        return runs == kPlayers ? "" : fmt::format("of {} uses, {} ran", kPlayers, runs);
    }

    // Nanoseconds a use over a run, on the wall clock and in the process's CPU time.
    struct Times {
        double wall = 0, cpu = 0;
    };
    Times Run() {
        const Clock::time_point start = Clock::now();
        const double cpuStart = CpuNanoseconds();
        Uses(kUsesPerRun);
        return {std::chrono::duration<double, std::nano>(Clock::now() - start).count() / kUsesPerRun,
                (CpuNanoseconds() - cpuStart) / kUsesPerRun};
    }

private:
    void Uses(int count) {
        static const WideString line = Velkor::Tools::Utf8Decode("/cheat giveitem 10 20");
        for (int i = 0; i < count; ++i) {
            DevHost::RouteChat(players_[static_cast<std::size_t>(i % kPlayers)], line);
        }
    }

    DevHost::StandInServer server_{DevHost::ServerDirectory::Temporary("corvane-bench-cluster-")};
    std::vector<AShooterPlayerController*> players_;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main() {
    Stage bench;
    std::vector<double> wallWithout, wallWith, cpuWithout, cpuWith;
    for (int round = 0; round < kRounds; ++round) {
        // The order alternates too, so that neither side always runs first.
        for (const bool cluster : {round % 2 == 0, round % 2 != 0}) {
            if (const std::string error = bench.Load(cluster); !error.empty()) {
                std::cerr << error << "\n";
                return 1;
            }
            AppendHeartbeat(bench.Feed());
            const Stage::Times times = bench.Run();
            (cluster ? wallWith : wallWithout).push_back(times.wall);
            (cluster ? cpuWith : cpuWithout).push_back(times.cpu);
        }
    }
    const double plain = Median(wallWithout), clustered = Median(wallWith);
    std::cout << fmt::format(
        "a granted use, medians of {} interleaved runs of {} uses: without Cluster {:.0f} ns wall "
        "({:.0f} ns CPU), with Cluster {:.0f} ns wall ({:.0f} ns CPU)\n",
        kRounds, kUsesPerRun, plain, Median(cpuWithout), clustered, Median(cpuWith));
    Bench::PrintRatio(std::cout, "a use with Cluster / without, wall", clustered / plain, 1.05);
    std::cout << fmt::format(
        "  added by the feed's check: {:.2f} us wall, {:.2f} us CPU (target at most 5 us: {})\n",
        (clustered - plain) / 1000, (Median(cpuWith) - Median(cpuWithout)) / 1000,
        clustered - plain <= 5000 ? "met" : "missed");
    return 0;
}
