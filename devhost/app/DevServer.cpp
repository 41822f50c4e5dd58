#include "devhost/app/DevServer.h"

#include <spdlog/sinks/basic_file_sink.h>

#include <fstream>
#include <iostream>
#include <stdexcept>

#include "devhost/app/PrefixedLogSink.h"
#include "devhost/engine/Allocator.h"
#include "devhost/engine/Engine.h"
#include "devhost/permissions/DevPermissions.h"
#include "engine/WideText.h"
#include "host/Velkor.h"

namespace DevHost {

DevServer::DevServer(const ServerDirectory& directory, EventOutput& output)
    : directory_(directory), output_(output), plugin_(DefaultPluginPath()) {
    SetCurrentDir(directory.Root().string());
    DevEngine::TheGameWorld().Reset();
    DevPermissions::RevokeAll();
    GetLogSinks() = {
        std::make_shared<PrefixedLogSink>([&output](const std::string& line) { output.Line(line); }),
        std::make_shared<spdlog::sinks::basic_file_sink_mt>(directory.FrameworkLogFile().string()),
    };
    DevEngine::TheGameWorld().SetEventListener([&output](const std::string& line) { output.Line(line); });
}

DevServer::~DevServer() {
    if (plugin_.Loaded()) {
        Unload();
    }
    DevEngine::TheGameWorld().SetEventListener(nullptr);
    DevEngine::TheGameWorld().Reset();
    DevPermissions::RevokeAll();
    GetLogSinks().clear();
}

void DevServer::Load() {
    if (plugin_.Loaded()) {
        output_.Line("plugin already loaded");
    } else if (plugin_.Load()) {
        output_.Line("plugin loaded");
    } else {
        // The plugin's own log says why when it was its load that failed;
        // the loader's wording of it differs from one platform to another.
        output_.Line("plugin did not load");
        std::cerr << "corvane-devhost: " << plugin_.error() << std::endl;
    }
}

void DevServer::Unload() {
    if (plugin_.Loaded()) {
        plugin_.Unload();
        output_.Line("plugin unloaded");
    } else {
        output_.Line("plugin not loaded");
    }
}

void DevServer::WriteConfig(const std::string& text) {
    const std::filesystem::path file = directory_.ConfigFile();
    std::filesystem::create_directories(file.parent_path());
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    stream << text;
    if (!stream.flush()) {
        throw std::runtime_error("can't write " + file.string());
    }
}

void DevServer::RemoveConfig() {
    std::filesystem::remove(directory_.ConfigFile());
}

void DevServer::Join(const std::string& name, std::uint64_t steamId) {
    if (connected_.contains(name)) {
        throw std::invalid_argument(name + " is already connected");
    }
    for (const auto& [other, id] : connected_) {
        if (id == steamId) {
            throw std::invalid_argument("Steam id " + std::to_string(steamId) + " is already connected as " +
                                        other);
        }
    }
    DevEngine::TheGameWorld().Join(name, steamId);
    connected_.emplace(name, steamId);
}

void DevServer::Leave(const std::string& name) {
    DevEngine::TheGameWorld().Leave(Connected(name));
    connected_.erase(name);
}

void DevServer::Grant(const std::string& name, const std::string& permission) {
    DevPermissions::Grant(SteamIdOf(name), Velkor::Tools::Utf8Decode(permission));
}

void DevServer::Revoke(const std::string& name, const std::string& permission) {
    DevPermissions::Revoke(SteamIdOf(name), Velkor::Tools::Utf8Decode(permission));
}

void DevServer::Say(const std::string& name, const std::string& text) {
    AShooterPlayerController* player = Connected(name);
    const WideString line = Velkor::Tools::Utf8Decode(text);
    const RouteResult result = RouteChat(player, line);
    switch (result.outcome) {
        case RouteResult::Outcome::Unrouted:
            output_.Line("chat " + name + ": " + Corvane::Engine::ToUtf8(line));
            break;
        case RouteResult::Outcome::Failed: output_.Line("error: " + result.error); break;
        case RouteResult::Outcome::Handled: break;
    }
}

void DevServer::ReportMemory() {
    output_.Line("memory: " + std::to_string(DevEngine::TheAllocator().LiveBlocks()) + " live blocks");
}

AShooterPlayerController* DevServer::Connected(const std::string& name) const {
    AShooterPlayerController* player = DevEngine::TheGameWorld().FindPlayer(name);
    if (player == nullptr) {
        throw std::invalid_argument("no player named " + name + " is connected");
    }
    return player;
}

std::uint64_t DevServer::SteamIdOf(const std::string& name) const {
    const auto found = connected_.find(name);
    if (found == connected_.end()) {
        throw std::invalid_argument("no player named " + name + " is connected");
    }
    return found->second;
}

}  // namespace DevHost
