#include "devhost/console/Session.h"

#include <iostream>

#include "engine/WideText.h"
#include "host/Velkor.h"

namespace DevHost {

Session::Session(ServerDirectory directory, std::ostream& console, bool colour)
    : server_(std::move(directory)),
      printer_(console, server_.Directory(), colour),
      subscription_(server_.Subscribe([this](const Event& event) { printer_.Print(event); })) {
    server_.FollowAuditFile();
}

Session::~Session() {
    if (server_.Loaded()) {
        Unload();
    }
}

void Session::Load() {
    if (server_.Loaded()) {
        printer_.Line("plugin already loaded");
    } else if (server_.Load()) {
        printer_.Line("plugin loaded");
    } else {
        // The plugin's own log says why when it was its load that failed;
        // the loader's wording of it differs from one platform to another.
        printer_.Line("plugin did not load");
        std::cerr << "corvane-devhost: " << server_.LoadError() << std::endl;
    }
}

void Session::Unload() {
    if (server_.Loaded()) {
        server_.Unload();
        printer_.Line("plugin unloaded");
    } else {
        printer_.Line("plugin not loaded");
    }
}

void Session::Restart() {
    if (server_.Loaded()) {
        printer_.Line("plugin unloaded");
    }
    const bool loaded = server_.Reboot();
    printer_.Line("server restarted");
    printer_.Line(loaded ? "plugin loaded" : "plugin did not load");
}

void Session::Say(const std::string& name, const std::string& text) {
    if (server_.Say(server_.Player(name), text).outcome == RouteResult::Outcome::Unrouted) {
        printer_.Line("chat " + name + ": " + Corvane::Engine::ToUtf8(Velkor::Tools::Utf8Decode(text)));
    }
}

void Session::Grant(const std::string& name, const std::string& permission) {
    server_.Grant(server_.SteamIdOf(name), permission);
}

void Session::Revoke(const std::string& name, const std::string& permission) {
    server_.Revoke(server_.SteamIdOf(name), permission);
}

void Session::ReportMemory() {
    printer_.Line("memory: " + std::to_string(server_.Allocator().LiveBlocks()) + " live blocks");
}

}  // namespace DevHost
