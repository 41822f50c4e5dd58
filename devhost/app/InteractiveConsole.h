// The dev host's interactive console: a prompt with line history, and two
// players already connected so that a newcomer can try the plugin at once.
#pragma once

#include "devhost/app/DevServer.h"
#include "devhost/app/Interpreter.h"

namespace DevHost {

// Runs until "quit" or the end of input: 0.
int RunInteractiveConsole(DevServer& server, Interpreter& interpreter);

}  // namespace DevHost
