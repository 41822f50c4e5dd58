// The instructions one granted use with a cooldown costs, whole: the chat line
// routed by the stand-in framework to the loaded plugin, its decision, the
// console command, the audit line and the cooldown it starts. Run under
// callgrind by scripts/use-instructions.sh, which counts only OneUse() and
// compares the count with the one committed in bench/use-instructions.baseline.
//
// Ten players take turns with "/cheat giveitem 10 20", whose 60-second cooldown
// has run out by their next turn (the stand-in clock moves on between uses,
// outside the count), so every use is granted, looks its player up, finds a
// cooldown that has ended and starts it again. Counts, unlike times, are the
// same from one run to the next on a shared machine.
#include <fmt/format.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include "devhost/engine/Allocator.h"
#include "devhost/server/StandInServer.h"
#include "host/Velkor.h"

namespace {

constexpr int kPlayers = 10;
constexpr int kUses = 1000;
constexpr std::uint64_t kFirstSteamId = 76561198000000000;

const char* const kConfig = R"({"PrintToChat": false, "AuditLog": "CheatAudit.jsonl",
  "Messages": {"LogMsg": "{0} used the cheat command: {1}",
               "NoPermissions": "You are not allowed to use that cheat.", "Sender": "Server"},
  "Commands": {"giveitem": {"Cooldown": 60}}})";

// Neither inlined nor merged, so that callgrind's --toggle-collect can name the one counted.
[[gnu::noipa]] void WarmUpUse(AShooterPlayerController* player, const WideString& line) {
    DevHost::RouteChat(player, line);
}

[[gnu::noipa]] void OneUse(AShooterPlayerController* player, const WideString& line) {
    DevHost::RouteChat(player, line);
}

}  // namespace

int main() {
    DevEngine::TheAllocator().SetMode(DevEngine::Allocator::Mode::Lean);
    DevHost::StandInServer server(DevHost::ServerDirectory::Temporary("corvane-bench-"));
    server.WriteConfig(kConfig);
    std::vector<AShooterPlayerController*> players;
    for (int i = 0; i < kPlayers; ++i) {
        const std::uint64_t steamId = kFirstSteamId + static_cast<std::uint64_t>(i);
        players.push_back(server.Join(fmt::format("Player{}", i), steamId));
        server.Grant(steamId, "Cheat.giveitem");
    }
    if (!server.Load()) {
        std::fprintf(stderr, "the plugin did not load: %s\n", server.LoadError().c_str());
        return 1;
    }
    const WideString line = Velkor::Tools::Utf8Decode("/cheat giveitem 10 20");
    std::size_t runs = 0;
    const DevHost::Subscription watch = server.Subscribe([&](const DevHost::Event& event) {
        runs += std::holds_alternative<DevHost::ConsoleCommandRun>(event);
    });
    for (int use = 0; use < kUses; ++use) {
        WarmUpUse(players[static_cast<std::size_t>(use % kPlayers)], line);
        server.LetTimePass(std::chrono::seconds(7));
    }
    for (int use = 0; use < kUses; ++use) {
        OneUse(players[static_cast<std::size_t>(use % kPlayers)], line);
        server.LetTimePass(std::chrono::seconds(7));
    }
    if (runs != 2 * kUses) {
        std::fprintf(stderr, "of %d uses, %zu ran\n", 2 * kUses, runs);
        return 1;
    }
    std::printf("%d uses counted, all granted\n", kUses);
    return 0;
}
