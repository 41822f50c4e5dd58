#include "devhost/app/ConfigProblems.h"

#include <fmt/format.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "engine/FromFormat.h"
#include "host/Velkor.h"

namespace DevHost {
namespace {

using nlohmann::json;

constexpr const char* kNotLoaded = "the plugin would not load";
constexpr const char* kNoGrantedUse = "no granted command would run";
constexpr const char* kNoRefusal = "refused players would get no reply";

std::string WithArticle(const json& value) {
    const std::string type = value.type_name();
    return (type == "array" || type == "object" ? "an " : "a ") + type;
}

struct MessageRule {
    const char* key;
    const char* whenMissing;
    const char* whenNotText;
};

constexpr MessageRule kMessages[] = {
    {"LogMsg", "players and the gameplay log would see \"No message\" for every granted use", kNoGrantedUse},
    {"NoPermissions", "refused players would be told \"No message\"", kNoRefusal},
    {"Sender", "refusals would come from \"No message\"", kNoRefusal},
};

// The formatting library's verdict on a message as the plugin formats it.
std::string FormatError(const std::string& text, bool withSampleArguments) {
    const WideString format = Velkor::Tools::Utf8Decode(text);
    try {
        if (withSampleArguments) {
            FromFormat(format.c_str(), WIDE("alice"), WIDE("fly"));
        } else {
            FromFormat(format.c_str());
        }
    } catch (const fmt::format_error& error) {
        return error.what();
    }
    return {};
}

void CheckFormats(const json& messages, std::vector<ConfigProblem>& problems) {
    const auto logMsg = messages.find("LogMsg");
    if (logMsg != messages.end() && logMsg->is_string()) {
        if (const std::string error = FormatError(logMsg->get<std::string>(), true); !error.empty()) {
            problems.push_back(
                {"/Messages/LogMsg", "the formatting library rejects it (" + error + "): " + kNoGrantedUse +
                                         "; it takes at most two fields, {0} the character name and {1} the "
                                         "command, and a literal brace is written {{ or }}"});
        }
    }
    const auto refusal = messages.find("NoPermissions");
    if (refusal != messages.end() && refusal->is_string()) {
        if (const std::string error = FormatError(refusal->get<std::string>(), false); !error.empty()) {
            problems.push_back({"/Messages/NoPermissions",
                                "the formatting library rejects it (" + error + "): " + kNoRefusal +
                                    "; it takes no fields, and a literal brace is written {{ or }}"});
        }
    }
}

void CheckMessages(const json& document, std::vector<ConfigProblem>& problems) {
    const auto messages = document.find("Messages");
    if (messages == document.end()) {
        problems.push_back({"/Messages", std::string("missing: ") + kNoRefusal + " and " + kNoGrantedUse});
        return;
    }
    if (!messages->is_object()) {
        problems.push_back({"/Messages", "is " + WithArticle(*messages) + ", not an object: " + kNoRefusal +
                                             " and " + kNoGrantedUse});
        return;
    }
    // The plugin looks up only these keys, so any other member is harmless.
    for (const MessageRule& rule : kMessages) {
        const std::string position = std::string("/Messages/") + rule.key;
        const auto message = messages->find(rule.key);
        if (message == messages->end()) {
            problems.push_back({position, std::string("missing: ") + rule.whenMissing});
        } else if (!message->is_string()) {
            problems.push_back(
                {position, "is " + WithArticle(*message) + ", not a text: " + rule.whenNotText});
        }
    }
    CheckFormats(*messages, problems);
}

void CheckPrintToChat(const json& document, std::vector<ConfigProblem>& problems) {
    const auto printToChat = document.find("PrintToChat");
    if (printToChat == document.end()) {
        problems.push_back({"/PrintToChat", std::string("missing: ") + kNoGrantedUse});
    } else if (!printToChat->is_boolean()) {
        problems.push_back(
            {"/PrintToChat", "is " + WithArticle(*printToChat) + ", not true or false: " + kNoGrantedUse});
    }
}

}  // namespace

std::vector<ConfigProblem> FindConfigProblems(const std::filesystem::path& file) {
    // Checked first: on some systems a directory opens as a file, and reading it throws.
    std::error_code ignored;
    if (std::filesystem::is_directory(file, ignored)) {
        return {{"", std::string("can't read the file, it is a directory: ") + kNotLoaded}};
    }
    std::ifstream stream(file);
    if (!stream.is_open()) {
        return {{"", std::string("can't open the file: ") + kNotLoaded + " (\"Can't open config.json\")"}};
    }
    json document;
    try {
        stream >> document;
    } catch (const json::parse_error& error) {
        return {{"byte " + std::to_string(error.byte),
                 std::string("JSON syntax: ") + kNotLoaded + ": " + error.what()}};
    } catch (const json::out_of_range& error) {
        // A number beyond a double; the library gives no position, but its message quotes the number.
        return {{"", std::string("JSON number: ") + kNotLoaded + ": " + error.what()}};
    }
    if (!document.is_object()) {
        return {{"", "the file holds " + WithArticle(document) +
                         ", not an object: every use of /cheat would fail"}};
    }
    std::vector<ConfigProblem> problems;
    CheckPrintToChat(document, problems);
    CheckMessages(document, problems);
    return problems;
}

}  // namespace DevHost
