// The dev host's console: whether a person is typing, and reading what they
// type with line editing and history where the platform offers them.
#pragma once

#include <optional>
#include <string>

namespace DevHost::Platform {

// Makes the console read and write UTF-8, where that is not already so.
void UseUtf8Console();

bool StandardInputIsTerminal();
bool StandardOutputIsTerminal();

// Shows prompt and reads one line, without its line break; a line that is not
// blank joins the history. Empty at the end of input.
std::optional<std::string> ReadConsoleLine(const std::string& prompt);

}  // namespace DevHost::Platform
