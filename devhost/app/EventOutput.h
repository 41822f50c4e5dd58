// Where the dev host's event lines go: one line per event on the console, in
// the order the events happen, and the same events into the server
// directory's logs as a server would keep them.
#pragma once

#include <fstream>
#include <ostream>
#include <string>

#include "devhost/app/ServerDirectory.h"

namespace DevHost {

class EventOutput {
public:
    EventOutput(std::ostream& console, const ServerDirectory& directory);

    // Flushed at once, so that the lines keep their order with the error
    // stream and survive a crash of the plugin.
    void Line(const std::string& line);

private:
    std::ostream& console_;
    std::ofstream serverLog_;
    std::ofstream gameplayLog_;
};

}  // namespace DevHost
