#include "devhost/app/Arguments.h"

#include <stdexcept>
#include <vector>

namespace DevHost {

const char* const kUsage =
    "usage: corvane-devhost [--server-dir DIR] [SCRIPT | -]\n"
    "       corvane-devhost check-config FILE\n"
    "       corvane-devhost replay AUDIT-FILE... --config NEW-CONFIG [--json]\n";

namespace {

ReplayRequest ReplayArguments(const std::vector<std::string>& words) {
    ReplayRequest request;
    bool configGiven = false;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "--config") {
            if (i + 1 == words.size() || configGiven) {
                throw std::invalid_argument("replay takes one --config NEW-CONFIG");
            }
            request.config = words[++i];
            configGiven = true;
        } else if (word == "--json") {
            request.json = true;
        } else if (word.size() > 1 && word[0] == '-') {
            throw std::invalid_argument("unknown option " + word);
        } else {
            request.files.emplace_back(word);
        }
    }
    if (request.files.empty() || !configGiven) {
        throw std::invalid_argument("replay needs an audit file and --config NEW-CONFIG");
    }
    return request;
}

}  // namespace

Arguments ParseArguments(int argc, const char* const* argv) {
    const std::vector<std::string> words(argv + 1, argv + argc);
    Arguments arguments;
    if (!words.empty() && words[0] == "check-config") {
        if (words.size() != 2) {
            throw std::invalid_argument("check-config takes one FILE");
        }
        arguments.configToCheck = words[1];
        return arguments;
    }
    if (!words.empty() && words[0] == "replay") {
        arguments.replay = ReplayArguments(words);
        return arguments;
    }
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "--help" || word == "-h") {
            arguments.help = true;
        } else if (word == "--server-dir") {
            if (i + 1 == words.size()) {
                throw std::invalid_argument("--server-dir needs a directory");
            }
            arguments.serverDir = words[++i];
        } else if (word.size() > 1 && word[0] == '-') {
            throw std::invalid_argument("unknown option " + word);
        } else if (arguments.script) {
            throw std::invalid_argument("one script at a time: " + *arguments.script + " and " + word);
        } else {
            arguments.script = word;
        }
    }
    return arguments;
}

}  // namespace DevHost
