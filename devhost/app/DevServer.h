// The game server, framework and permissions plugin around the real plugin
// library, driven one command at a time, with every event reported to the
// output.
//
// The stand-in host is process-wide, so only one DevServer may exist at a
// time: it takes over the framework's directory, sinks and engine listener
// while it lives, and unloads the plugin and empties the engine when it ends.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "devhost/app/EventOutput.h"
#include "devhost/app/ServerDirectory.h"
#include "devhost/framework/Framework.h"
#include "host/EngineObjects.h"

namespace DevHost {

class DevServer {
public:
    DevServer(const ServerDirectory& directory, EventOutput& output);
    DevServer(const DevServer&) = delete;
    DevServer& operator=(const DevServer&) = delete;
    ~DevServer();

    // The process attach and detach notifications, each reported by a line.
    void Load();
    void Unload();
    bool Loaded() const { return plugin_.Loaded(); }

    // Writes text, byte for byte, as the plugin's configuration file.
    void WriteConfig(const std::string& text);
    void RemoveConfig();

    // The commands below throw std::invalid_argument for a player that is
    // not connected, a name or Steam id already connected, and so on.
    void Join(const std::string& name, std::uint64_t steamId);
    void Leave(const std::string& name);
    void Grant(const std::string& name, const std::string& permission);
    void Revoke(const std::string& name, const std::string& permission);
    // The player sends text (UTF-8) as a chat line.
    void Say(const std::string& name, const std::string& text);
    void ReportMemory();

private:
    AShooterPlayerController* Connected(const std::string& name) const;
    std::uint64_t SteamIdOf(const std::string& name) const;

    const ServerDirectory& directory_;
    EventOutput& output_;
    PluginHost plugin_;
    std::map<std::string, std::uint64_t> connected_;
};

}  // namespace DevHost
