#include "tests/support/ServerFixture.h"

#include <nlohmann/json.hpp>

#include "engine/WideText.h"
#include "host/Velkor.h"

WideString W(const std::string& utf8) {
    return Velkor::Tools::Utf8Decode(utf8);
}

std::string U(WideStringView text) {
    return Corvane::Engine::ToUtf8(text);
}

void ServerFixture::SetUp() {
    server_.emplace(DevHost::ServerDirectory::Temporary("corvane-test-"));
    events_.emplace();
    ASSERT_EQ(server_->Allocator().LiveBlocks(), 0u) << "a previous test leaked engine blocks";
}

void ServerFixture::TearDown() {
    events_.reset();
    server_.reset();
    EXPECT_EQ(DevEngine::TheAllocator().LiveBlocks(), blocksLeftAlive_) << "engine blocks left alive";
    if (blocksLeftAlive_ != 0) {
        DevEngine::TheAllocator().FreeEveryBlock();
    }
}

void ServerFixture::WriteMessages(const std::string& logMsg, const std::string& noPermissions,
                                  const std::string& sender, bool printToChat) {
    const nlohmann::json document = {
        {"PrintToChat", printToChat},
        {"Messages", {{"LogMsg", logMsg}, {"NoPermissions", noPermissions}, {"Sender", sender}}},
    };
    WriteConfig(document.dump());
}
