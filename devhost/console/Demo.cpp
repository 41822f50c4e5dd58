#include "devhost/console/Demo.h"

#include <sstream>

#include "devhost/console/Script.h"

namespace DevHost {
namespace {

constexpr const char* kDemo = R"(# Two players connect; alice may run fly, bob holds no permission.
join alice 76561198000000001
join bob 76561198000000002
grant alice Cheat.fly
# A granted use runs, is announced to everyone, and reaches the gameplay log.
say alice /cheat fly
# A refused use gets one private reply; nothing runs.
say bob /cheat fly
# Permissions are per command, case as typed.
say alice /cheat Fly
# A chained command is refused whatever the player holds, and logged.
say alice /cheat fly | slomo 5
# Commands on the deny list (the shipped one denies exit and quit) are refused to everyone.
say alice /cheat quit
# Chat that is not a command passes by.
say bob hello
memory
)";

}  // namespace

int RunDemo(Interpreter& interpreter, std::ostream& out, std::ostream& errors) {
    out << "No terminal and no script: a short demonstration (see README for the console).\n";
    std::istringstream script(kDemo);
    return RunScript(script, interpreter, errors, {true, &out});
}

}  // namespace DevHost
