#include "ServerFixture.h"

#include <fstream>
#include <nlohmann/json.hpp>

#include <random>

#include "Allocator.h"
#include "DevPermissions.h"
#include "Velkor.h"
#include "WideText.h"

namespace {

std::filesystem::path FreshDirectory() {
    std::random_device random;
    const auto name = "corvane-test-" + std::to_string(random()) + std::to_string(random());
    auto path = std::filesystem::temp_directory_path() / name;
    std::filesystem::create_directories(path / "Velkor" / "Plugins" / "Corvane");
    return path;
}

}  // namespace

WideString W(const std::string& utf8) {
    return Velkor::Tools::Utf8Decode(utf8);
}

std::string U(WideStringView text) {
    return Engine::ToUtf8(text);
}

void ServerFixture::SetUp() {
    serverDir_ = FreshDirectory();
    DevHost::SetCurrentDir(serverDir_.string());
    DevEngine::TheEngine().Reset();
    DevPermissions::RevokeAll();
    DevHost::ResetResolutionCounts();
    DevHost::ShowAllNames();
    sink_ = std::make_shared<RecordingSink>();
    GetLogSinks() = {sink_};
    ASSERT_EQ(DevEngine::TheAllocator().LiveBlocks(), 0u) << "a previous test leaked engine blocks";
}

void ServerFixture::TearDown() {
    DevHost::ShowAllNames();
    plugin_.Unload();
    DevEngine::TheEngine().Reset();
    EXPECT_EQ(DevEngine::TheAllocator().LiveBlocks(), 0u) << "engine blocks left alive";
    GetLogSinks().clear();
    std::error_code ignored;
    std::filesystem::remove_all(serverDir_, ignored);
}

void ServerFixture::WriteConfig(const std::string& text) {
    std::ofstream(serverDir_ / "Velkor" / "Plugins" / "Corvane" / "config.json", std::ios::binary) << text;
}

void ServerFixture::RemoveConfig() {
    std::filesystem::remove(serverDir_ / "Velkor" / "Plugins" / "Corvane" / "config.json");
}

void ServerFixture::WriteMessages(const std::string& logMsg, const std::string& noPermissions,
                                  const std::string& sender, bool printToChat) {
    const nlohmann::json document = {
        {"PrintToChat", printToChat},
        {"Messages", {{"LogMsg", logMsg}, {"NoPermissions", noPermissions}, {"Sender", sender}}},
    };
    WriteConfig(document.dump());
}

AShooterPlayerController* ServerFixture::Join(const std::string& name, std::uint64_t steamId) {
    return DevEngine::TheEngine().Join(name, steamId);
}

void ServerFixture::Grant(std::uint64_t steamId, const std::string& permission) {
    DevPermissions::Grant(steamId, W(permission));
}

DevHost::RouteResult ServerFixture::Say(AShooterPlayerController* player, const std::string& line) {
    const WideString text = W(line);
    return DevHost::RouteChat(player, text);
}
