// One stand-in game server for a run: the framework with its engine and the
// engine's allocator, the permissions plugin, a server directory, and the
// plugin, loaded as a server loads it. The dev host, the tests, the benchmarks
// and the fuzz targets all play on one.
//
// The engine and the framework are process-wide, as on a server, so only one
// stand-in server may exist at a time. It takes them over when it is made (a
// fresh world, a fresh framework, the framework's log going to the event bus,
// the permissions plugin loaded with no grants, every answer as it should be)
// and leaves them empty when it ends: plugin unloaded, everyone gone, no sinks.
// Tests make the host's answers fail through DevHost::TheAnswers()
// (devhost/events/Answers.h).
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "devhost/engine/Allocator.h"
#include "devhost/events/EventBus.h"
#include "devhost/framework/Framework.h"
#include "devhost/server/AuditFollower.h"
#include "devhost/server/Fault.h"
#include "devhost/server/PermissionsHost.h"
#include "devhost/server/ServerDirectory.h"
#include "host/EngineObjects.h"

namespace DevHost {

class EventSink;

// A chat line as a player's client may send it: UTF-8, and a surrogate code
// unit on its own written as its three bytes (ED A0 80 for U+D800), which
// UTF-8 proper has no way to say but the engine's UTF-16 text can hold.
WideString DecodeChatLine(std::string_view line);

class StandInServer {
public:
    explicit StandInServer(ServerDirectory directory,
                           PluginHost plugin = PluginHost::FromLibrary(DefaultPluginPath()));
    StandInServer(const StandInServer&) = delete;
    StandInServer& operator=(const StandInServer&) = delete;
    ~StandInServer();

    // Unloads the plugin and starts the engine, the framework and the
    // permissions plugin afresh, as when the server was made; the directory
    // and the subscriptions stay.
    void Restart();
    // The server process starts again: as Restart, with time going on, then
    // the permissions plugin's grants (its database) given back, the players
    // who were connected connected again, and the plugin loaded. False when
    // the plugin did not load.
    bool Reboot();

    const ServerDirectory& Directory() const { return directory_; }
    void WriteConfig(std::string_view text) const { directory_.WriteConfig(text); }
    void RemoveConfig() const { directory_.RemoveConfig(); }

    // The process attach and detach notifications. Load is false when the
    // library could not be loaded or its attach failed; LoadError() says why.
    bool Load();
    // The lines the plugin appends as it unloads are reported too.
    void Unload();
    bool Loaded() const { return plugin_.Loaded(); }
    const std::string& LoadError() const { return plugin_.error(); }
    void NotifyThread(std::uint32_t reason) { plugin_.NotifyThread(reason); }

    // The server's hold on the permissions plugin, taken at start. Without it
    // the plugin finds no permissions plugin (unless it holds one itself).
    void LoadPermissionsPlugin(PermissionsHost::Build build = PermissionsHost::Build::Full);
    void UnloadPermissionsPlugin() { permissions_.Unload(); }
    // Whether the permissions plugin's library is in the process at all: the
    // server's hold or the plugin's keeps it there.
    bool PermissionsPluginInProcess() const;

    // Players by character name, each with a Steam id of their own. Throw
    // std::invalid_argument for a name or id already connected, or a name
    // that is not.
    AShooterPlayerController* Join(const std::string& name, std::uint64_t steamId);
    void Leave(const std::string& name);
    AShooterPlayerController* Player(const std::string& name) const;
    std::uint64_t SteamIdOf(const std::string& name) const;

    // Permission names in UTF-8, exact and case-sensitive. The server keeps
    // them, like a permissions plugin's database, and gives them to the
    // permissions plugin each time it is loaded; in a server directory that is
    // not temporary they are kept in its store (ServerDirectory::GrantsFile),
    // read when the server is made or restarted, so a server made again on
    // that directory, after a crash say, still has them.
    void Grant(std::uint64_t steamId, std::string_view permission);
    void Revoke(std::uint64_t steamId, std::string_view permission);
    void RevokeAll();
    // How often plugins asked the permissions plugin since it was loaded or emptied.
    std::uint64_t PermissionQueries() const;

    // The player sends a chat line (UTF-8, a lone surrogate written as its
    // three bytes, ED A0 80 for U+D800), routed by the framework.
    RouteResult Say(AShooterPlayerController* player, std::string_view line);

    // Lets time pass at once on the monotonic clock that cooldowns run on, and
    // on the wall clock that audit lines are timed by.
    void LetTimePass(std::chrono::nanoseconds time) { DevHost::LetTimePass(time); }

    // From the next load on, reports every line the plugin appends to the
    // audit file that config.json names ("AuditLog") as an AuditLine event,
    // ahead of the next event or at the end of the chat line; through a
    // rotation, and to the new file of a /corvane reload.
    void FollowAuditFile() { followingAudit_ = true; }

    // The faults a chat line can meet: the line runs with every answer as it
    // should be, and its fault points are one for each answer the plugin got,
    // in order, and one for each failing environment it met (the permissions
    // plugin's library when the plugin loaded it during the line; the audit
    // file when the line wrote to the one at FaultProneAuditLog(), and its
    // rename when the line rotated it).
    std::vector<Fault> FaultPoints(AShooterPlayerController* player, std::string_view line);
    // The line with that one fault; everything is as it was afterwards.
    RouteResult SayWithFault(AShooterPlayerController* player, std::string_view line, const Fault& fault);
    // An "AuditLog" whose file the server can put on a full disk or in a
    // folder nobody can write to (bin/FaultPaths, made by the build), cut a
    // write to short or keep from being renamed; the file's folder starts
    // empty.
    std::string FaultProneAuditLog() const;

    [[nodiscard]] Subscription Subscribe(Observer observer) const;
    DevEngine::Allocator& Allocator() const;

private:
    // The audit file config.json names now, as the plugin reads it; empty for none.
    std::filesystem::path ConfiguredAuditFile() const;
    bool PluginHoldsPermissionsPlugin();
    void ReadStoredGrants();
    void StoreGrants() const;
    void PublishNewAuditLines();

    struct Connected {
        AShooterPlayerController* controller;
        std::uint64_t steamId;
    };
    const Connected& Find(const std::string& name) const;

    ServerDirectory directory_;
    std::shared_ptr<EventSink> sink_;
    PermissionsHost permissions_;
    PluginHost plugin_;
    std::map<std::string, Connected> connected_;
    std::map<std::uint64_t, std::set<std::string>> grants_;

    bool followingAudit_ = false;
    AuditFollower audit_;
    bool publishingAudit_ = false;
    Subscription auditWatch_;
};

}  // namespace DevHost
