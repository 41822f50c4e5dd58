// Running a dev host script: the commands of a stream, one a line.
#pragma once

#include <istream>
#include <ostream>

#include "devhost/console/Interpreter.h"

namespace DevHost {

struct ScriptEcho {
    // Shows each command behind "> " and each comment before it runs, for a
    // reader following along.
    bool enabled = false;
    std::ostream* out = nullptr;
};

// Runs every line until the end or "quit": 0. A line that is not a command
// stops the script with "script:<line>: <reason>" on errors: 2.
int RunScript(std::istream& script, Interpreter& interpreter, std::ostream& errors, ScriptEcho echo = {});

}  // namespace DevHost
