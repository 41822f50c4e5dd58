#include "devhost/console/InteractiveConsole.h"

#include <iostream>

#include "devhost/platform/Console.h"

namespace DevHost {

int RunInteractiveConsole(Session& session, Interpreter& interpreter) {
    session.Server().Join("alice", 76561198000000001);
    session.Server().Join("bob", 76561198000000002);
    for (const char* permission : {"Cheat.fly", "Cheat.god", "Cheat.slomo"}) {
        session.Grant("alice", permission);
    }
    std::cout << "Connected: alice (Cheat.fly, Cheat.god, Cheat.slomo) and bob (no permissions).\n"
                 "Try: say alice /cheat fly    say bob /cheat fly    help    quit\n"
              << std::flush;
    while (const std::optional<std::string> line = Platform::ReadConsoleLine("corvane> ")) {
        try {
            if (interpreter.Run(*line) == Interpreter::Next::Quit) {
                return 0;
            }
        } catch (const std::exception& error) {
            std::cerr << error.what() << std::endl;
        }
    }
    std::cout << std::endl;
    return 0;
}

}  // namespace DevHost
