#include "devhost/app/Arguments.h"

#include <stdexcept>
#include <vector>

#include "core/audit/AuditEntry.h"

namespace DevHost {

const char* const kUsage =
    "usage: corvane-devhost [--server-dir DIR] [SCRIPT | -]\n"
    "       corvane-devhost check-config FILE\n"
    "       corvane-devhost replay AUDIT-FILE... --config NEW-CONFIG [--json]\n"
    "       corvane-devhost report AUDIT-FILE... [--name SERVER=AUDIT-FILE]... [--from TIME] [--to TIME] -o "
    "PAGE\n"
    "       corvane-devhost report --cluster CONFIG [--from TIME] [--to TIME] -o PAGE\n";

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

// "2026-12-07T21:57:03Z", or a day, "2026-12-07": its first second, or its
// last for the end of a range.
std::chrono::sys_seconds ReportTime(const std::string& option, const std::string& text, bool end) {
    const bool day = text.size() == 10;
    const auto time = Corvane::ParseUtcTime(day ? text + "T00:00:00Z" : text);
    if (!time) {
        throw std::invalid_argument(option + " takes a UTC time, 2026-12-07T21:57:03Z, or a day, 2026-12-07");
    }
    return day && end ? *time + std::chrono::days(1) - std::chrono::seconds(1) : *time;
}

// The word after option, which must be there.
const std::string& OptionValue(const std::vector<std::string>& words, std::size_t& i) {
    if (i + 1 == words.size()) {
        throw std::invalid_argument(words[i] + " needs a value");
    }
    return words[++i];
}

Report::ReportRequest ReportArguments(const std::vector<std::string>& words) {
    Report::ReportRequest request;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "-o") {
            request.output = OptionValue(words, i);
        } else if (word == "--from" || word == "--to") {
            const bool end = word == "--to";
            (end ? request.range.to : request.range.from) = ReportTime(word, OptionValue(words, i), end);
        } else if (word == "--cluster") {
            if (request.cluster) {
                throw std::invalid_argument("report takes one --cluster CONFIG");
            }
            request.cluster = OptionValue(words, i);
        } else if (word == "--name") {
            const std::string& pair = OptionValue(words, i);
            const std::size_t equals = pair.find('=');
            if (equals == 0 || equals == std::string::npos || equals + 1 == pair.size()) {
                throw std::invalid_argument("--name takes SERVER=AUDIT-FILE");
            }
            request.files.push_back({pair.substr(equals + 1), pair.substr(0, equals)});
        } else if (word.size() > 1 && word[0] == '-') {
            throw std::invalid_argument("unknown option " + word);
        } else {
            request.files.push_back({word, std::nullopt});
        }
    }
    if (request.files.empty() == !request.cluster || request.output.empty()) {
        throw std::invalid_argument("report needs audit files or --cluster CONFIG, and -o PAGE");
    }
    if (request.range.from && request.range.to && *request.range.from > *request.range.to) {
        throw std::invalid_argument("--from is after --to");
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
    if (!words.empty() && words[0] == "report") {
        arguments.report = ReportArguments(words);
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
