#include "core/ConfigCheck.h"

#include <fmt/xchar.h>

#include <iterator>
#include <map>

#include "core/CommandText.h"
#include "core/Controls.h"
#include "engine/WideText.h"
#include "host/Velkor.h"

namespace Corvane {
namespace {

using nlohmann::json;
using Severity = ConfigProblem::Severity;

constexpr const char* kNoGrantedUse = "no granted command would run";
constexpr const char* kNoRefusal = "refused players would get no reply";
constexpr std::size_t kFormattedLimit = 4096;

std::string WithArticle(const json& value) {
    const std::string type = value.type_name();
    return (type == "array" || type == "object" ? "an " : "a ") + type;
}

class Checker {
public:
    explicit Checker(const json& document) : document_(document) {}

    std::vector<ConfigProblem> Run() {
        if (!document_.is_object()) {
            Add(Severity::Warning, "",
                "the file holds " + WithArticle(document_) +
                    ", not an object: every use of /cheat would fail");
            return std::move(problems_);
        }
        CheckPrintToChat();
        CheckMessages();
        CheckAuditLog();
        CheckDeny();
        CheckCommands();
        return std::move(problems_);
    }

private:
    void Add(Severity severity, std::string position, std::string description) {
        problems_.push_back({severity, std::move(position), std::move(description)});
    }

    // PrintToChat is read by every granted use that no "Announce" decides.
    bool SomeUseReadsPrintToChat() const {
        const auto commands = document_.find("Commands");
        if (commands == document_.end() || !commands->is_object() || !commands->contains("*")) {
            return true;
        }
        for (const auto& entry : *commands) {
            if (!entry.is_object() || !entry.contains("Announce")) {
                return true;
            }
        }
        return false;
    }

    void CheckPrintToChat() {
        if (!SomeUseReadsPrintToChat()) {
            return;
        }
        const auto printToChat = document_.find("PrintToChat");
        if (printToChat == document_.end()) {
            Add(Severity::Warning, "/PrintToChat", std::string("missing: ") + kNoGrantedUse);
        } else if (!printToChat->is_boolean()) {
            Add(Severity::Warning, "/PrintToChat",
                "is " + WithArticle(*printToChat) + ", not true or false: " + kNoGrantedUse);
        }
    }

    void CheckMessages() {
        const auto messages = document_.find("Messages");
        if (messages == document_.end()) {
            Add(Severity::Warning, "/Messages",
                std::string("missing: ") + kNoRefusal + " and " + kNoGrantedUse);
            return;
        }
        if (!messages->is_object()) {
            Add(Severity::Warning, "/Messages",
                "is " + WithArticle(*messages) + ", not an object: " + kNoRefusal + " and " + kNoGrantedUse);
            return;
        }
        struct Rule {
            const char* key;
            const char* whenMissing;  // null: a text of ours stands in
            const char* whenNotText;
        };
        static constexpr Rule kRules[] = {
            {"LogMsg", "players and the gameplay log would see \"No message\" for every granted use",
             kNoGrantedUse},
            {"NoPermissions", "refused players would be told \"No message\"", kNoRefusal},
            {"Sender", "refusals would come from \"No message\"", kNoRefusal},
            {"Cooldown", nullptr, "players held back by a cooldown would get no reply"},
        };
        for (const Rule& rule : kRules) {
            const std::string position = std::string("/Messages/") + rule.key;
            const auto message = messages->find(rule.key);
            if (message == messages->end()) {
                if (rule.whenMissing != nullptr) {
                    Add(Severity::Note, position, std::string("missing: ") + rule.whenMissing);
                }
            } else if (!message->is_string()) {
                Add(Severity::Warning, position,
                    "is " + WithArticle(*message) + ", not a text: " + rule.whenNotText);
            }
        }
        CheckFormats(*messages);
    }

    // The formatting library's verdict on a message formatted with these
    // arguments (empty when it accepts it), and the start of the text it gives.
    template <class... Args>
    static std::string FormatError(const json& message, WideString* text, const Args&... args) {
        const WideString format = Velkor::Tools::Utf8Decode(message.get<std::string>());
        WideString output;
        try {
            // Bounded: a field of a huge width must not allocate gigabytes at load.
            fmt::vformat_to_n(std::back_inserter(output), kFormattedLimit,
                              fmt::basic_string_view<WideChar>(format.data(), format.size()),
                              fmt::make_format_args<fmt::buffer_context<WideChar>>(
                                  fmt::basic_string_view<WideChar>(WideStringView(args))...));
        } catch (const fmt::format_error& error) {
            return error.what();
        }
        if (text != nullptr) {
            *text = std::move(output);
        }
        return {};
    }

    void CheckFormats(const json& messages) {
        // A command no name or Steam id holds, to see whether the entry names it
        // (its first character is enough: a field may show only part of it).
        const WideString command = WIDE("\uE000command\uE000");
        const auto logMsg = messages.find("LogMsg");
        if (logMsg != messages.end() && logMsg->is_string()) {
            WideString logged;
            const std::string error =
                FormatError(*logMsg, &logged, WIDE("alice"), command, WIDE("76561198000000001"));
            if (!error.empty()) {
                Add(Severity::Warning, "/Messages/LogMsg",
                    "the formatting library rejects it (" + error + "): " + kNoGrantedUse +
                        "; it takes at most three fields, {0} the character name, {1} the command and {2} "
                        "the Steam id, and a literal brace is written {{ or }}");
            } else if (logged.find(command[0]) == WideString::npos) {
                Add(Severity::Warning, "/Messages/LogMsg",
                    "has no {1}: the gameplay log would not say which command ran");
            }
        }
        const auto refusal = messages.find("NoPermissions");
        if (refusal != messages.end() && refusal->is_string()) {
            if (const std::string error = FormatError(*refusal, nullptr); !error.empty()) {
                Add(Severity::Warning, "/Messages/NoPermissions",
                    "the formatting library rejects it (" + error + "): " + kNoRefusal +
                        "; it takes no fields, and a literal brace is written {{ or }}");
            }
        }
        const auto cooldown = messages.find("Cooldown");
        if (cooldown != messages.end() && cooldown->is_string()) {
            if (const std::string error = FormatError(*cooldown, nullptr, WIDE("30"), WIDE("fly"));
                !error.empty()) {
                Add(Severity::Warning, "/Messages/Cooldown",
                    "the formatting library rejects it (" + error +
                        "): players held back by a cooldown would get no reply; it takes at most two "
                        "fields, {0} the seconds left and {1} the command, and a literal brace is written "
                        "{{ or }}");
            }
        }
    }

    void CheckAuditLog() {
        const auto audit = document_.find("AuditLog");
        if (audit == document_.end()) {
            return;
        }
        if (!audit->is_string()) {
            Add(Severity::Error, "/AuditLog",
                "is " + WithArticle(*audit) + ", not the text of a file's path");
        } else if (audit->get<std::string>().empty()) {
            Add(Severity::Error, "/AuditLog", "is empty, not the path of a file");
        } else if (audit->get<std::string>().find('\0') != std::string::npos) {
            Add(Severity::Error, "/AuditLog", "holds a NUL character, which no file's path can");
        }
    }

    void CheckDeny() {
        const auto deny = document_.find("Deny");
        if (deny == document_.end()) {
            return;
        }
        if (!deny->is_array()) {
            Add(Severity::Error, "/Deny", "is " + WithArticle(*deny) + ", not a list of command names");
            return;
        }
        for (std::size_t i = 0; i < deny->size(); ++i) {
            const json& name = (*deny)[i];
            const std::string position = "/Deny/" + std::to_string(i);
            if (!name.is_string()) {
                Add(Severity::Error, position, "is " + WithArticle(name) + ", not a command name");
            } else if (ConfiguredName(name.get<std::string>()).empty()) {
                Add(Severity::Warning, position, NeverMatches(name.get<std::string>()));
            }
        }
    }

    static std::string NeverMatches(const std::string& name) {
        return "\"" + name +
               "\" is no command name (ASCII letters, digits and _), so no command would ever match it";
    }

    // JSON pointer tokens escape '~' and '/'.
    static std::string PointerToken(const std::string& key) {
        std::string token;
        for (const char c : key) {
            token += c == '~' ? std::string("~0") : c == '/' ? std::string("~1") : std::string(1, c);
        }
        return token;
    }

    void CheckCommands() {
        const auto commands = document_.find("Commands");
        if (commands == document_.end()) {
            return;
        }
        if (!commands->is_object()) {
            Add(Severity::Error, "/Commands",
                "is " + WithArticle(*commands) + ", not an object of command entries");
            return;
        }
        std::map<std::string, std::string> seen;  // name -> the key that gave it
        for (const auto& [key, entry] : commands->items()) {
            const std::string position = "/Commands/" + PointerToken(key);
            if (key != "*") {
                const std::string name = ConfiguredName(key);
                if (name.empty()) {
                    Add(Severity::Warning, position, NeverMatches(key));
                } else if (const auto [other, added] = seen.emplace(name, key); !added) {
                    Add(Severity::Error, position,
                        "names the same command as /Commands/" + PointerToken(other->second) +
                            " (case is ignored)");
                }
            }
            CheckEntry(position, entry);
        }
    }

    void CheckEntry(const std::string& position, const json& entry) {
        if (!entry.is_object()) {
            Add(Severity::Error, position, "is " + WithArticle(entry) + ", not an object");
            return;
        }
        for (const auto& [key, value] : entry.items()) {
            const std::string member = position + "/" + PointerToken(key);
            if (key == "Cooldown") {
                if (!value.is_number() || value.get<double>() < 0) {
                    Add(Severity::Error, member,
                        (value.is_number() ? std::string("is negative") : "is " + WithArticle(value)) +
                            ", not a number of seconds, 0 or more");
                }
            } else if (key == "Announce") {
                if (!value.is_string() || !AnnounceFromWord(value.get<std::string>())) {
                    Add(Severity::Error, member,
                        "is " +
                            (value.is_string() ? "\"" + value.get<std::string>() + "\""
                                               : WithArticle(value)) +
                            ", not one of \"all\", \"none\" or \"admins\"");
                }
            } else {
                Add(Severity::Error, member, "is not a setting of a command (Cooldown, Announce)");
            }
        }
    }

    const json& document_;
    std::vector<ConfigProblem> problems_;
};

}  // namespace

std::vector<ConfigProblem> CheckConfigDocument(const nlohmann::json& document) {
    return Checker(document).Run();
}

std::string DescribeForLog(const ConfigProblem& problem) {
    // Names and words come from the operator's file: written so that they can't forge a line.
    return Engine::EscapeForLog("config.json: " + (problem.position.empty() ? "" : problem.position + ": ") +
                                problem.description);
}

}  // namespace Corvane
