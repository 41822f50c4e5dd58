#include "devhost/server/StandInServer.h"

#include <fstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "core/settings/ConfigFile.h"
#include "core/settings/ConfigReader.h"
#include "core/text/CommandText.h"
#include "devhost/engine/GameWorld.h"
#include "devhost/events/Answers.h"
#include "devhost/platform/DynamicLibrary.h"
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
    TheAnswers().Stop();
    ResetFramework();
    GetLogSinks().clear();
}

}  // namespace

WideString DecodeChatLine(std::string_view line) {
    WideString text;
    std::size_t done = 0;
    for (std::size_t i = 0; i + 2 < line.size(); ++i) {
        const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(line[i + k]); };
        if (byte(0) == 0xED && byte(1) >= 0xA0 && byte(1) <= 0xBF && (byte(2) & 0xC0) == 0x80) {
            text += Velkor::Tools::Utf8Decode(std::string(line.substr(done, i - done)));
            text += static_cast<WideChar>(0xD000 | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F));
            done = i + 3;
            i += 2;
        }
    }
    return text + Velkor::Tools::Utf8Decode(std::string(line.substr(done)));
}

StandInServer::StandInServer(ServerDirectory directory, PluginHost plugin)
    : directory_(std::move(directory)), sink_(std::make_shared<EventSink>()), plugin_(std::move(plugin)) {
    if (ServerExists()) {
        throw std::logic_error("only one stand-in server may exist at a time");
    }
    Restart();
    // First of the observers: lines the plugin appended come before what follows them.
    auditWatch_ = TheEventBus().Subscribe([this](const Event& event) {
        if (!std::holds_alternative<AuditLine>(event)) {
            PublishNewAuditLines();
        }
    });
    ServerExists() = true;
}

void StandInServer::Restart() {
    Unload();
    connected_.clear();
    ResetProcessWideState();
    SetCurrentDir(directory_.Root().string());
    GetLogSinks() = {sink_};
    ReadStoredGrants();
    LoadPermissionsPlugin();
}

void StandInServer::ReadStoredGrants() {
    grants_.clear();
    const auto file = directory_.GrantsFile();
    std::error_code ignored;
    if (!file || !std::filesystem::exists(*file, ignored)) {
        return;
    }
    std::ifstream in(*file, std::ios::binary);
    const nlohmann::json stored = nlohmann::json::parse(in, nullptr, false);
    if (!stored.is_object()) {
        throw std::runtime_error(file->string() + " holds no grants: remove it to start with none");
    }
    for (const auto& [steamId, permissions] : stored.items()) {
        for (const auto& permission : permissions) {
            grants_[std::stoull(steamId)].insert(permission.get<std::string>());
        }
    }
}

// Written whole to a file beside it, then renamed over it: a kill at any
// moment leaves the old grants or the new ones.
void StandInServer::StoreGrants() const {
    const auto file = directory_.GrantsFile();
    if (!file) {
        return;
    }
    nlohmann::json stored = nlohmann::json::object();
    for (const auto& [steamId, permissions] : grants_) {
        stored[std::to_string(steamId)] = permissions;
    }
    std::filesystem::create_directories(file->parent_path());
    std::filesystem::path written = *file;
    written += ".new";
    std::ofstream(written, std::ios::binary | std::ios::trunc) << stored.dump(2) << '\n';
    std::filesystem::rename(written, *file);
}

bool StandInServer::Reboot() {
    const std::map<std::string, Connected> players = connected_;
    const std::map<std::uint64_t, std::set<std::string>> grants = grants_;
    Restart();
    for (const auto& [steamId, permissions] : grants) {
        for (const std::string& permission : permissions) {
            Grant(steamId, permission);
        }
    }
    for (const auto& [name, player] : players) {
        Join(name, player.steamId);
    }
    return Load();
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

void StandInServer::LoadPermissionsPlugin(PermissionsHost::Build build) {
    permissions_.Load(build);
    DevPermissions::Control& control = permissions_.Control();
    control.RevokeAll();
    for (const auto& [steamId, permissions] : grants_) {
        for (const std::string& permission : permissions) {
            control.Grant(steamId, Velkor::Tools::Utf8Decode(permission));
        }
    }
}

bool StandInServer::PermissionsPluginInProcess() const {
    return Platform::LibraryIsLoaded(PermissionsLibraryPath());
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
    grants_[steamId].emplace(permission);
    StoreGrants();
    if (permissions_.Loaded()) {
        permissions_.Control().Grant(steamId, Velkor::Tools::Utf8Decode(std::string(permission)));
    }
}

void StandInServer::Revoke(std::uint64_t steamId, std::string_view permission) {
    grants_[steamId].erase(std::string(permission));
    StoreGrants();
    if (permissions_.Loaded()) {
        permissions_.Control().Revoke(steamId, Velkor::Tools::Utf8Decode(std::string(permission)));
    }
}

void StandInServer::RevokeAll() {
    grants_.clear();
    StoreGrants();
    if (permissions_.Loaded()) {
        permissions_.Control().RevokeAll();
    }
}

std::uint64_t StandInServer::PermissionQueries() const {
    return permissions_.Loaded() ? permissions_.Control().QueryCount() : 0;
}

RouteResult StandInServer::Say(AShooterPlayerController* player, std::string_view line) {
    const WideString text = DecodeChatLine(line);
    // A reload may move the plugin to another audit file, the one config.json names now.
    const bool mayReload = followingAudit_ && Corvane::StartsWithNoCase(text, "/corvane ");
    if (mayReload) {
        audit_.Expect(ConfiguredAuditFile());
    }
    RouteResult result = RouteChat(player, text);
    PublishNewAuditLines();
    audit_.StopExpecting();
    return result;
}

bool StandInServer::Load() {
    const bool loaded = plugin_.Load();
    if (followingAudit_) {
        audit_.Follow(ConfiguredAuditFile());
    }
    return loaded;
}

void StandInServer::Unload() {
    plugin_.Unload();
    PublishNewAuditLines();
}

std::filesystem::path StandInServer::ConfiguredAuditFile() const {
    try {
        const Corvane::ConfigFile file = Corvane::ReadConfigFile(directory_.ConfigFile());
        return Corvane::ReadSettings(file, directory_.PluginFolder()).settings.auditFile.value_or("");
    } catch (const std::exception&) {
        return {};
    }
}

void StandInServer::PublishNewAuditLines() {
    if (publishingAudit_) {
        return;
    }
    publishingAudit_ = true;
    for (std::string& line : audit_.TakeNewLines()) {
        TheEventBus().Publish(AuditLine{std::move(line)});
    }
    publishingAudit_ = false;
}

Subscription StandInServer::Subscribe(Observer observer) const {
    return TheEventBus().Subscribe(std::move(observer));
}

DevEngine::Allocator& StandInServer::Allocator() const {
    return DevEngine::TheAllocator();
}

}  // namespace DevHost
