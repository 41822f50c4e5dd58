#include "BenchServer.h"

#include <spdlog/sinks/null_sink.h>
#include <unistd.h>

#include <fstream>

#include "DevPermissions.h"
#include "Engine.h"
#include "Velkor.h"

namespace Bench {

std::string MessagesConfig(bool printToChat) {
    return std::string(R"({"PrintToChat": )") + (printToChat ? "true" : "false") +
           R"(, "Messages": {"LogMsg": "{0} used the cheat command: {1}", )"
           R"("NoPermissions": "You are not allowed to use that cheat.", "Sender": "Server"}})";
}

BenchServer::BenchServer(const std::string& config)
    : directory_(std::filesystem::temp_directory_path() / ("corvane-bench-" + std::to_string(getpid()))),
      plugin_(DevHost::DefaultPluginPath()) {
    std::filesystem::create_directories(directory_ / "Velkor" / "Plugins" / "Corvane");
    std::ofstream(directory_ / "Velkor" / "Plugins" / "Corvane" / "config.json", std::ios::binary) << config;
    DevHost::SetCurrentDir(directory_.string());
    DevEngine::TheEngine().Reset();
    DevPermissions::RevokeAll();
    GetLogSinks() = {std::make_shared<spdlog::sinks::null_sink_mt>()};
}

BenchServer::~BenchServer() {
    plugin_.Unload();
    DevEngine::TheEngine().Reset();
    DevPermissions::RevokeAll();
    GetLogSinks().clear();
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

AShooterPlayerController* BenchServer::Join(const std::string& name, std::uint64_t steamId) {
    return DevEngine::TheEngine().Join(name, steamId);
}

void BenchServer::Grant(std::uint64_t steamId, const std::string& permission) {
    DevPermissions::Grant(steamId, Velkor::Tools::Utf8Decode(permission));
}

void BenchServer::TrimRecords() {
    constexpr std::size_t kKept = 1 << 16;
    auto& records = DevEngine::TheEngine().Records();
    if (records.directMessages.size() + records.console.size() + records.chatMessages.size() >= kKept) {
        records.console.clear();
        records.gameplayLog.clear();
        records.chatMessages.clear();
        records.directMessages.clear();
    }
}

}  // namespace Bench
