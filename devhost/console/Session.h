// A dev host run: the stand-in server, the printer subscribed to its events,
// and the operator's commands, each reported by a line of its own where the
// engine and the framework have nothing to say (a load, a chat line that is no
// command, the allocator's live blocks).
#pragma once

#include <ostream>
#include <string>

#include "devhost/console/EventPrinter.h"
#include "devhost/server/StandInServer.h"

namespace DevHost {

class Session {
public:
    // colour: announcements show in their colour on the console.
    Session(ServerDirectory directory, std::ostream& console, bool colour = false);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    // Unloads the plugin, with its line, when it is still loaded.
    ~Session();

    StandInServer& Server() { return server_; }

    void Load();
    void Unload();
    // The server process starts again (StandInServer::Reboot).
    void Restart();
    // Players by their name; permissions in UTF-8, case as typed.
    void Grant(const std::string& name, const std::string& permission);
    void Revoke(const std::string& name, const std::string& permission);
    // The player sends text (UTF-8) as a chat line.
    void Say(const std::string& name, const std::string& text);
    void ReportMemory();
    // The cluster's feed that config.json names, as the plugin would read it now.
    void ReportFeed();

private:
    StandInServer server_;
    EventPrinter printer_;
    Subscription subscription_;
};

}  // namespace DevHost
