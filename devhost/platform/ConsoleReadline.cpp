// POSIX: line editing and history come from readline.
#include <readline/history.h>
#include <readline/readline.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <memory>

#include "devhost/platform/Console.h"

namespace DevHost::Platform {

void UseUtf8Console() {
    // readline edits multi-byte characters by the locale's character type.
    std::setlocale(LC_CTYPE, "");
}

bool StandardInputIsTerminal() {
    return isatty(STDIN_FILENO) != 0;
}

bool StandardOutputIsTerminal() {
    return isatty(STDOUT_FILENO) != 0;
}

std::optional<std::string> ReadConsoleLine(const std::string& prompt) {
    const std::unique_ptr<char, decltype(&std::free)> line(readline(prompt.c_str()), &std::free);
    if (!line) {
        return std::nullopt;
    }
    std::string text(line.get());
    if (text.find_first_not_of(" \t") != std::string::npos) {
        add_history(line.get());
    }
    return text;
}

}  // namespace DevHost::Platform
