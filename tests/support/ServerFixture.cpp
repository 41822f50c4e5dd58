#include "tests/support/ServerFixture.h"

#include <nlohmann/json.hpp>

#include "devhost/engine/Allocator.h"
#include "devhost/permissions/DevPermissions.h"
#include "engine/WideText.h"
#include "host/Velkor.h"

WideString W(const std::string& utf8) {
    return Velkor::Tools::Utf8Decode(utf8);
}

std::string U(WideStringView text) {
    return Corvane::Engine::ToUtf8(text);
}

void ServerFixture::SetUp() {
    serverDir_.emplace("corvane-test-");
    DevEngine::TheGameWorld().Reset();
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
    DevEngine::TheGameWorld().Reset();
    EXPECT_EQ(DevEngine::TheAllocator().LiveBlocks(), 0u) << "engine blocks left alive";
    GetLogSinks().clear();
    serverDir_.reset();
}

void ServerFixture::WriteConfig(const std::string& text) {
    serverDir_->WriteConfig(text);
}

void ServerFixture::RemoveConfig() {
    std::filesystem::remove(serverDir_->ConfigFile());
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
    return DevEngine::TheGameWorld().Join(name, steamId);
}

void ServerFixture::Grant(std::uint64_t steamId, const std::string& permission) {
    DevPermissions::Grant(steamId, W(permission));
}

DevHost::RouteResult ServerFixture::Say(AShooterPlayerController* player, const std::string& line) {
    const WideString text = W(line);
    return DevHost::RouteChat(player, text);
}
