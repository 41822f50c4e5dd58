#include "bench/BenchServer.h"

#include <spdlog/sinks/null_sink.h>

#include "devhost/engine/Engine.h"
#include "devhost/permissions/DevPermissions.h"
#include "host/Velkor.h"

namespace Bench {

std::string MessagesConfig(bool printToChat) {
    return std::string(R"({"PrintToChat": )") + (printToChat ? "true" : "false") +
           R"(, "Messages": {"LogMsg": "{0} used the cheat command: {1}", )"
           R"("NoPermissions": "You are not allowed to use that cheat.", "Sender": "Server"}})";
}

BenchServer::BenchServer(const std::string& config)
    : directory_("corvane-bench-"), plugin_(DevHost::DefaultPluginPath()) {
    directory_.WriteConfig(config);
    DevEngine::TheGameWorld().Reset();
    DevPermissions::RevokeAll();
    GetLogSinks() = {std::make_shared<spdlog::sinks::null_sink_mt>()};
}

BenchServer::~BenchServer() {
    plugin_.Unload();
    DevEngine::TheGameWorld().Reset();
    DevPermissions::RevokeAll();
    GetLogSinks().clear();
}

AShooterPlayerController* BenchServer::Join(const std::string& name, std::uint64_t steamId) {
    return DevEngine::TheGameWorld().Join(name, steamId);
}

void BenchServer::Grant(std::uint64_t steamId, const std::string& permission) {
    DevPermissions::Grant(steamId, Velkor::Tools::Utf8Decode(permission));
}

void BenchServer::TrimRecords() {
    constexpr std::size_t kKept = 1 << 16;
    auto& records = DevEngine::TheGameWorld().Records();
    if (records.directMessages.size() + records.console.size() + records.chatMessages.size() >= kKept) {
        records.console.clear();
        records.gameplayLog.clear();
        records.chatMessages.clear();
        records.directMessages.clear();
    }
}

}  // namespace Bench
