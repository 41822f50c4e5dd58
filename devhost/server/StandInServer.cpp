#include "devhost/server/StandInServer.h"

#include <stdexcept>

#include "devhost/engine/GameWorld.h"
#include "devhost/server/EventSink.h"
#include "host/Velkor.h"

namespace DevHost {
namespace {

bool& ServerExists() {
    static bool exists = false;
    return exists;
}

// The engine and the framework as on a server that has just started, or ended.
void ResetProcessWideState() {
    DevEngine::TheGameWorld().Reset();
    ResetFramework();
    GetLogSinks().clear();
}

}  // namespace

StandInServer::StandInServer(ServerDirectory directory, PluginHost plugin)
    : directory_(std::move(directory)), sink_(std::make_shared<EventSink>()), plugin_(std::move(plugin)) {
    if (ServerExists()) {
        throw std::logic_error("only one stand-in server may exist at a time");
    }
    Restart();
    ServerExists() = true;
}

void StandInServer::Restart() {
    plugin_.Unload();
    connected_.clear();
    ResetProcessWideState();
    SetCurrentDir(directory_.Root().string());
    GetLogSinks() = {sink_};
    LoadPermissionsPlugin();
    RevokeAll();
}

StandInServer::~StandInServer() {
    plugin_.Unload();
    if (permissions_.Loaded()) {
        permissions_.Control().RevokeAll();
    }
    permissions_.Unload();
    ResetProcessWideState();
    ServerExists() = false;
}

void StandInServer::LoadPermissionsPlugin() {
    permissions_.Load();
}

AShooterPlayerController* StandInServer::Join(const std::string& name, std::uint64_t steamId) {
    if (connected_.contains(name)) {
        throw std::invalid_argument(name + " is already connected");
    }
    for (const auto& [other, player] : connected_) {
        if (player.steamId == steamId) {
            throw std::invalid_argument("Steam id " + std::to_string(steamId) + " is already connected as " +
                                        other);
        }
    }
    AShooterPlayerController* controller = DevEngine::TheGameWorld().Join(name, steamId);
    connected_.emplace(name, Connected{controller, steamId});
    return controller;
}

void StandInServer::Leave(const std::string& name) {
    DevEngine::TheGameWorld().Leave(Find(name).controller);
    connected_.erase(name);
}

AShooterPlayerController* StandInServer::Player(const std::string& name) const {
    return Find(name).controller;
}

std::uint64_t StandInServer::SteamIdOf(const std::string& name) const {
    return Find(name).steamId;
}

const StandInServer::Connected& StandInServer::Find(const std::string& name) const {
    const auto found = connected_.find(name);
    if (found == connected_.end()) {
        throw std::invalid_argument("no player named " + name + " is connected");
    }
    return found->second;
}

void StandInServer::Grant(std::uint64_t steamId, std::string_view permission) {
    permissions_.Control().Grant(steamId, Velkor::Tools::Utf8Decode(std::string(permission)));
}

void StandInServer::Revoke(std::uint64_t steamId, std::string_view permission) {
    permissions_.Control().Revoke(steamId, Velkor::Tools::Utf8Decode(std::string(permission)));
}

void StandInServer::RevokeAll() {
    permissions_.Control().RevokeAll();
}

std::uint64_t StandInServer::PermissionQueries() const {
    return permissions_.Control().QueryCount();
}

RouteResult StandInServer::Say(AShooterPlayerController* player, std::string_view line) {
    return RouteChat(player, Velkor::Tools::Utf8Decode(std::string(line)));
}

Subscription StandInServer::Subscribe(Observer observer) const {
    return TheEventBus().Subscribe(std::move(observer));
}

DevEngine::Allocator& StandInServer::Allocator() const {
    return DevEngine::TheAllocator();
}

}  // namespace DevHost
