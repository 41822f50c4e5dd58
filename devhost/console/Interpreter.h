// The commands of dev host scripts and of its console, one a line.
#pragma once

#include <ostream>
#include <string_view>

#include "devhost/console/Session.h"

namespace DevHost {

class Interpreter {
public:
    enum class Next { Continue, Quit };

    // help is where the help text goes.
    Interpreter(Session& session, std::ostream& help) : session_(session), help_(help) {}

    // Runs one line; blank lines and lines starting with '#' do nothing.
    // Throws std::invalid_argument for a line that is not a command.
    Next Run(std::string_view line);

    // Lines that are neither blank nor comments.
    static bool IsCommand(std::string_view line);

private:
    Session& session_;
    std::ostream& help_;
};

}  // namespace DevHost
