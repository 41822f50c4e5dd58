// Where the dev host's lines go: one line per event on the console, in the
// order the events happen, and the same lines into the server directory's
// logs as a server keeps them (every line in Logs/Server.log, the gameplay
// log in Logs/Gameplay.log, the framework's log in Velkor/Logs/Velkor.log).
#pragma once

#include <fstream>
#include <ostream>
#include <string>

#include "devhost/events/Event.h"
#include "devhost/server/ServerDirectory.h"

namespace DevHost {

class EventPrinter {
public:
    // With colour, announcements show on the console in their colour (the
    // logs never hold colour codes).
    EventPrinter(std::ostream& console, const ServerDirectory& directory, bool colour = false);

    // An event of the engine or the framework.
    void Print(const Event& event);
    // A line of the dev host's own. Flushed at once, so that the lines keep
    // their order with the error stream and survive a crash of the plugin.
    void Line(const std::string& line);

private:
    void Write(const std::string& consoleLine, const std::string& logLine);

    std::ostream& console_;
    bool colour_;
    std::ofstream serverLog_;
    std::ofstream gameplayLog_;
    std::ofstream frameworkLog_;
};

}  // namespace DevHost
