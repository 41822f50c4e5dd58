// corvane-devhost: plays the game server, the framework and the permissions
// plugin around the real plugin library, so that a configuration and a set of
// permissions can be tried before they are deployed.
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "devhost/app/Arguments.h"
#include "devhost/checkconfig/CheckConfig.h"
#include "devhost/console/Demo.h"
#include "devhost/console/InteractiveConsole.h"
#include "devhost/console/Interpreter.h"
#include "devhost/console/Script.h"
#include "devhost/console/Session.h"
#include "devhost/platform/Console.h"
#include "devhost/replay/ReplayCommand.h"
#include "devhost/report/Report.h"

namespace {

// Announcements in their colour on a terminal, unless NO_COLOR asks otherwise (no-color.org).
bool UseColour() {
    const char* noColour = std::getenv("NO_COLOR");
    return DevHost::Platform::StandardOutputIsTerminal() && (noColour == nullptr || *noColour == '\0');
}

int Run(const DevHost::Arguments& arguments) {
    if (arguments.configToCheck) {
        return DevHost::CheckConfig(*arguments.configToCheck, std::cout);
    }
    if (arguments.replay) {
        return DevHost::Replay(*arguments.replay, std::cout, std::cerr);
    }
    if (arguments.report) {
        return DevHost::Report::WriteReport(*arguments.report, std::cout, std::cerr);
    }
    // The script is opened first, so that a wrong name is told before anything runs.
    std::ifstream scriptFile;
    if (arguments.script && *arguments.script != "-") {
        scriptFile.open(*arguments.script);
        if (!scriptFile.is_open()) {
            std::cerr << "corvane-devhost: can't open the script " << *arguments.script << std::endl;
            return 2;
        }
    }
    DevHost::Session session(DevHost::ServerDirectory::Prepare(arguments.serverDir), std::cout, UseColour());
    DevHost::Interpreter interpreter(session, std::cout);
    session.Load();
    if (arguments.script) {
        std::istream& script = scriptFile.is_open() ? static_cast<std::istream&>(scriptFile) : std::cin;
        return DevHost::RunScript(script, interpreter, std::cerr);
    }
    if (DevHost::Platform::StandardInputIsTerminal()) {
        return DevHost::RunInteractiveConsole(session, interpreter);
    }
    return DevHost::RunDemo(interpreter, std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
    DevHost::Platform::UseUtf8Console();
    DevHost::Arguments arguments;
    try {
        arguments = DevHost::ParseArguments(argc, argv);
    } catch (const std::invalid_argument& error) {
        std::cerr << "corvane-devhost: " << error.what() << "\n" << DevHost::kUsage;
        return 2;
    }
    if (arguments.help) {
        std::cout << DevHost::kUsage;
        return 0;
    }
    try {
        return Run(arguments);
    } catch (const std::exception& error) {
        std::cerr << "corvane-devhost: " << error.what() << std::endl;
        return 1;
    }
}
