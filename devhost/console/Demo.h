// The built-in demonstration, run when there is neither a terminal nor a script.
#pragma once

#include <ostream>

#include "devhost/console/Interpreter.h"

namespace DevHost {

// Shows each step before its events; 0.
int RunDemo(Interpreter& interpreter, std::ostream& out, std::ostream& errors);

}  // namespace DevHost
