// The configurations the benchmarks load the plugin with.
#pragma once

#include <string>

namespace Bench {

// The shipped messages, with this PrintToChat switch.
inline std::string MessagesConfig(bool printToChat) {
    return std::string(R"({"PrintToChat": )") + (printToChat ? "true" : "false") +
           R"(, "Messages": {"LogMsg": "{0} used the cheat command: {1}", )"
           R"("NoPermissions": "You are not allowed to use that cheat.", "Sender": "Server"}})";
}

}  // namespace Bench
