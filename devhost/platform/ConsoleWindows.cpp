// Windows: the console's own line editing and history (arrow keys, F7) serve;
// only its code page has to be set to UTF-8.
#include <windows.h>

#include <io.h>

#include <cstdio>
#include <iostream>

#include "devhost/platform/Console.h"

namespace DevHost::Platform {

void UseUtf8Console() {
    SetConsoleCP(CP_UTF8);
    SetConsoleOutputCP(CP_UTF8);
    // Colour codes are read as colour, not shown as text.
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(output, &mode)) {
        SetConsoleMode(output, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    }
}

bool StandardInputIsTerminal() {
    return _isatty(_fileno(stdin)) != 0;
}

bool StandardOutputIsTerminal() {
    return _isatty(_fileno(stdout)) != 0;
}

std::optional<std::string> ReadConsoleLine(const std::string& prompt) {
    std::cout << prompt << std::flush;
    std::string line;
    if (!std::getline(std::cin, line)) {
        return std::nullopt;
    }
    return line;
}

}  // namespace DevHost::Platform
