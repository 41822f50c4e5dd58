// A fresh stand-in server for each test: its own server directory, no
// players, no grants, a recording sink as the framework's only log sink, and
// the real plugin library loaded through its entry notification.
//
// On tear-down the plugin is unloaded and the engine emptied; a test that
// leaves an engine block alive fails.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "devhost/engine/Engine.h"
#include "devhost/framework/Framework.h"
#include "devhost/framework/TemporaryServerDirectory.h"
#include "tests/support/RecordingSink.h"

class ServerFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes text, byte for byte, as the plugin's config.json.
    void WriteConfig(const std::string& text);
    void RemoveConfig();
    // Writes a configuration with these three messages and switch.
    void WriteMessages(const std::string& logMsg, const std::string& noPermissions, const std::string& sender,
                       bool printToChat);

    bool LoadPlugin() { return plugin_.Load(); }
    void UnloadPlugin() { plugin_.Unload(); }
    DevHost::PluginHost& Plugin() { return plugin_; }

    AShooterPlayerController* Join(const std::string& name, std::uint64_t steamId);
    void Grant(std::uint64_t steamId, const std::string& permission);
    // Routes a chat line (UTF-8) from the player.
    DevHost::RouteResult Say(AShooterPlayerController* player, const std::string& line);

    DevEngine::EngineRecords& Records() { return DevEngine::TheGameWorld().Records(); }
    std::vector<std::string> LogLines() { return sink_->Lines(); }
    RecordingSink& Sink() { return *sink_; }

private:
    std::optional<DevHost::TemporaryServerDirectory> serverDir_;
    std::shared_ptr<RecordingSink> sink_;
    DevHost::PluginHost plugin_{CORVANE_PLUGIN_PATH};
};

// UTF-8 to the engine's characters, for expectations.
WideString W(const std::string& utf8);
// The engine's characters to UTF-8, for readable failure messages.
std::string U(WideStringView text);
