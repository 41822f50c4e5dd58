#include "devhost/console/Session.h"

#include <fmt/format.h>

#include <iostream>

#include "core/history/ClusterFeed.h"
#include "core/history/UseRestore.h"
#include "core/settings/AuditPath.h"
#include "core/settings/ConfigReader.h"
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

void Session::ReportFeed() {
    const ServerDirectory& directory = server_.Directory();
    const Corvane::SettingsReading reading =
        Corvane::ReadSettings(Corvane::ReadConfigFile(directory.ConfigFile()), directory.PluginFolder());
    if (!reading.settings.cluster) {
        printer_.Line("feed: config.json sets no cluster");
        return;
    }
    const Corvane::Settings& settings = reading.settings;
    Corvane::ClusterFeed feed(*settings.cluster, settings.wrappers);
    Corvane::UseHistory history(Corvane::ReachOf(settings));
    Corvane::MergedUses merged;
    const auto now = std::chrono::system_clock::now();
    feed.Load({history, merged, now, Corvane::UseHistory::Clock::now()});
    const Corvane::ClusterFeed::Age age = feed.AgeAt(now);
    const Corvane::FeedCounts& counts = feed.Counts();
    printer_.Line(fmt::format(
        "feed: {}: {}, {} (stale after {} s); {} lines, {} uses within reach, {} skipped",
        Corvane::PathText(settings.cluster->feedFile.lexically_relative(directory.PluginFolder())),
        age.age ? fmt::format("last heartbeat {} s ago", age.age->count()) : std::string("no heartbeat yet"),
        age.stale ? "stale" : "fresh", settings.cluster->staleAfter.count(), counts.lines, counts.added,
        counts.skipped));
}

void Session::ReportMemory() {
    printer_.Line("memory: " + std::to_string(server_.Allocator().LiveBlocks()) + " live blocks");
}

}  // namespace DevHost
