// A fresh stand-in server for each test: its own temporary server directory,
// no players, no grants, every event kept in order, and the real plugin
// library, loaded through its entry notification when the test asks.
//
// On tear-down the server ends (plugin unloaded, everyone gone); a test that
// leaves an engine block alive fails.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "devhost/server/EventLog.h"
#include "devhost/server/StandInServer.h"

class ServerFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    DevHost::StandInServer& Server() { return *server_; }
    DevHost::EventLog& Events() { return *events_; }

    // Writes text, byte for byte, as the plugin's config.json.
    void WriteConfig(const std::string& text) { server_->WriteConfig(text); }
    void RemoveConfig() { server_->RemoveConfig(); }
    // Writes a configuration with these three messages and switch.
    void WriteMessages(const std::string& logMsg, const std::string& noPermissions, const std::string& sender,
                       bool printToChat);

    bool LoadPlugin() { return server_->Load(); }
    void UnloadPlugin() { server_->Unload(); }

    AShooterPlayerController* Join(const std::string& name, std::uint64_t steamId) {
        return server_->Join(name, steamId);
    }
    void Grant(std::uint64_t steamId, const std::string& permission) { server_->Grant(steamId, permission); }
    // Routes a chat line (UTF-8) from the player.
    DevHost::RouteResult Say(AShooterPlayerController* player, const std::string& line) {
        return server_->Say(player, line);
    }

    std::vector<std::string> LogLines() { return events_->LogLines(); }

    // Blocks the test left alive on purpose (the engine's Free could not be
    // found for them); tear-down expects exactly these.
    void AllowBlocksLeftAlive(std::size_t blocks) { blocksLeftAlive_ = blocks; }

private:
    std::size_t blocksLeftAlive_ = 0;
    std::optional<DevHost::StandInServer> server_;
    std::optional<DevHost::EventLog> events_;
};

// UTF-8 to the engine's characters, for expectations.
WideString W(const std::string& utf8);
// The engine's characters to UTF-8, for readable failure messages.
std::string U(WideStringView text);
