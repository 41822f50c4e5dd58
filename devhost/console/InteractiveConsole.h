// The dev host's interactive console: a prompt with line history, and two
// players already connected so that a newcomer can try the plugin at once.
#pragma once

#include "devhost/console/Interpreter.h"
#include "devhost/console/Session.h"

namespace DevHost {

// Runs until "quit" or the end of input: 0.
int RunInteractiveConsole(Session& session, Interpreter& interpreter);

}  // namespace DevHost
