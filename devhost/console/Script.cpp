#include "devhost/console/Script.h"

#include <string>

namespace DevHost {

int RunScript(std::istream& script, Interpreter& interpreter, std::ostream& errors, ScriptEcho echo) {
    std::string line;
    for (int number = 1; std::getline(script, line); ++number) {
        // A file written with CRLF line breaks reads the same.
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (echo.enabled && !line.empty()) {
            *echo.out << (Interpreter::IsCommand(line) ? "> " : "") << line << std::endl;
        }
        try {
            if (interpreter.Run(line) == Interpreter::Next::Quit) {
                return 0;
            }
        } catch (const std::exception& error) {
            errors << "script:" << number << ": " << error.what() << std::endl;
            return 2;
        }
    }
    return 0;
}

}  // namespace DevHost
