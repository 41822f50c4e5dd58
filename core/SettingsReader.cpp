#include "core/SettingsReader.h"

#include <fmt/xchar.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <optional>

#include "core/AuditPath.h"
#include "core/CommandText.h"
#include "host/Velkor.h"

namespace Corvane {
namespace {

using nlohmann::json;
using Severity = ConfigProblem::Severity;

constexpr const char* kNoGrantedUse = "no granted command would run";
constexpr const char* kNoRefusal = "refused players would get no reply";
constexpr const char* kCooldownText = "You can use {1} again in {0} seconds.";
constexpr std::size_t kFormattedLimit = 4096;
// Longer cooldowns are held for this long; a duration of more would overflow the clock.
constexpr double kLongestCooldownSeconds = 1e9;
// A rotated file holds at least a few of the longest audit lines (16 KiB each).
constexpr std::uint64_t kLeastRotationBytes = 65536;
constexpr std::uint64_t kMostRotationBytes = std::uint64_t{1} << 40;
constexpr std::uint64_t kMostRotatedFiles = 1000;

std::string WithArticle(const json& value) {
    const std::string type = value.type_name();
    return (type == "array" || type == "object" ? "an " : "a ") + type;
}

class Reader {
public:
    Reader(const ConfigFile& file, const std::filesystem::path& pluginFolder)
        : document_(file.document), lookups_(file.document), pluginFolder_(pluginFolder) {}

    SettingsReading Run() {
        ReadLookups();
        if (!document_.is_object()) {
            Add(Severity::Warning, "",
                "the file holds " + WithArticle(document_) +
                    ", not an object: every use of /cheat would fail");
            return Done();
        }
        CheckPrintToChat();
        CheckMessages();
        ReadAuditLog();
        ReadAuditRotate();
        ReadDeny();
        ReadCommands();
        return Done();
    }

private:
    SettingsReading Done() { return {std::move(settings_), std::move(problems_)}; }

    void Add(Severity severity, std::string position, std::string description) {
        problems_.push_back({severity, std::move(position), std::move(description)});
    }

    // The lookups the gate makes at use, made once on a copy of the document
    // as the gate would make them: a member they miss is added to the copy as
    // null, and the library's type errors are kept to be raised at use.
    Setting<WideString> LookUpMessage(const char* key, const char* whenAbsent) {
        try {
            return Setting<WideString>(
                Velkor::Tools::Utf8Decode(lookups_["Messages"].value(key, std::string(whenAbsent))));
        } catch (const json::exception&) {
            return Setting<WideString>::Failure(std::current_exception());
        }
    }

    void ReadLookups() {
        Messages& messages = settings_.messages;
        messages.logMsg = LookUpMessage("LogMsg", "No message");
        messages.noPermissions = LookUpMessage("NoPermissions", "No message");
        messages.sender = LookUpMessage("Sender", "No message");
        messages.cooldown = LookUpMessage("Cooldown", kCooldownText);
        const auto configured = document_.is_object() ? document_.find("Messages") : document_.end();
        const bool deniedAbsent =
            configured != document_.end() && configured->is_object() && !configured->contains("Denied");
        messages.denied = deniedAbsent ? messages.noPermissions : LookUpMessage("Denied", "No message");
        try {
            settings_.printToChat = Setting<bool>(lookups_["PrintToChat"].get<bool>());
        } catch (const json::exception&) {
            settings_.printToChat = Setting<bool>::Failure(std::current_exception());
        }
    }

    // PrintToChat is read by every granted use that no "Announce" decides.
    bool SomeUseReadsPrintToChat() const {
        const auto commands = document_.find("Commands");
        if (commands == document_.end() || !commands->is_object() || !commands->contains("*")) {
            return true;
        }
        return std::any_of(commands->begin(), commands->end(), [](const json& entry) {
            return !entry.is_object() || !entry.contains("Announce");
        });
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
            {"Denied", nullptr, "denied players would get no reply"},
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
    static std::string FormatError(const json& message, WideString& text, const Args&... args) {
        const WideString format = Velkor::Tools::Utf8Decode(message.get<std::string>());
        try {
            // Bounded: a field of a huge width must not allocate gigabytes at load.
            fmt::vformat_to_n(std::back_inserter(text), kFormattedLimit,
                              fmt::basic_string_view<WideChar>(format.data(), format.size()),
                              fmt::make_format_args<fmt::buffer_context<WideChar>>(
                                  fmt::basic_string_view<WideChar>(WideStringView(args))...));
        } catch (const fmt::format_error& error) {
            return error.what();
        }
        return {};
    }

    // Warns when the formatting library rejects the message (when it is a
    // text) formatted with these arguments; the text it gives otherwise.
    template <class... Args>
    std::optional<WideString> CheckFormat(const json& messages, const char* key,
                                          const std::string& consequence, const char* fields,
                                          const Args&... args) {
        const auto message = messages.find(key);
        if (message == messages.end() || !message->is_string()) {
            return std::nullopt;
        }
        WideString text;
        const std::string error = FormatError(*message, text, args...);
        if (error.empty()) {
            return text;
        }
        Add(Severity::Warning, std::string("/Messages/") + key,
            "the formatting library rejects it (" + error + "): " + consequence + "; it takes " + fields +
                ", and a literal brace is written {{ or }}");
        return std::nullopt;
    }

    void CheckFormats(const json& messages) {
        // A command no name or Steam id holds, to see whether the entry names it
        // (its first character is enough: a field may show only part of it).
        const WideString command = WIDE("\uE000command\uE000");
        const std::optional<WideString> logged =
            CheckFormat(messages, "LogMsg", kNoGrantedUse,
                        "at most three fields, {0} the character name, {1} the command and {2} the Steam id",
                        WIDE("alice"), command, WIDE("76561198000000001"));
        if (logged && logged->find(command[0]) == WideString::npos) {
            Add(Severity::Warning, "/Messages/LogMsg",
                "has no {1}: the gameplay log would not say which command ran");
        }
        CheckFormat(messages, "NoPermissions", kNoRefusal, "no fields");
        CheckFormat(messages, "Cooldown", "players held back by a cooldown would get no reply",
                    "at most two fields, {0} the seconds left and {1} the command", WIDE("30"), WIDE("fly"));
        CheckFormat(messages, "Denied", "denied players would get no reply", "no fields");
    }

    void ReadAuditLog() {
        const auto audit = document_.find("AuditLog");
        if (audit == document_.end()) {
            return;
        }
        if (!audit->is_string()) {
            Add(Severity::Error, "/AuditLog",
                "is " + WithArticle(*audit) + ", not the text of a file's path");
            return;
        }
        const std::string& configured = audit->get_ref<const std::string&>();
        if (configured.empty()) {
            Add(Severity::Error, "/AuditLog", "is empty, not the path of a file");
        } else if (configured.find('\0') != std::string::npos) {
            Add(Severity::Error, "/AuditLog", "holds a NUL character, which no file's path can");
        } else if (AuditPath resolved = ResolveAuditPath(configured, pluginFolder_);
                   !resolved.problem.empty()) {
            Add(Severity::Error, "/AuditLog", std::move(resolved.problem));
        } else {
            settings_.auditFile = std::move(resolved.file);
        }
    }

    // A whole number from least to most, or an error naming the member.
    std::optional<std::uint64_t> WholeNumber(const json& value, const std::string& position,
                                             std::uint64_t least, std::uint64_t most, const char* what) {
        const bool whole =
            value.is_number_unsigned() ||
            (value.is_number_float() && value.get<double>() >= 0 &&
             value.get<double>() == static_cast<double>(static_cast<std::uint64_t>(value.get<double>())));
        if (whole && value.get<std::uint64_t>() >= least && value.get<std::uint64_t>() <= most) {
            return value.get<std::uint64_t>();
        }
        Add(Severity::Error, position,
            "is " + (value.is_number() ? value.dump() : WithArticle(value)) +
                fmt::format(", not a whole number of {} from {} to {}", what, least, most));
        return std::nullopt;
    }

    void ReadAuditRotate() {
        const auto rotate = document_.find("AuditRotate");
        if (rotate == document_.end()) {
            return;
        }
        if (!rotate->is_object()) {
            Add(Severity::Error, "/AuditRotate",
                "is " + WithArticle(*rotate) + ", not an object with MaxBytes and Keep");
            return;
        }
        AuditRotation rotation;
        bool whole = rotate->contains("MaxBytes") && rotate->contains("Keep");
        for (const auto& [key, value] : rotate->items()) {
            const std::string member = MemberPointer("/AuditRotate", key);
            if (key == "MaxBytes") {
                const auto bytes =
                    WholeNumber(value, member, kLeastRotationBytes, kMostRotationBytes, "bytes");
                rotation.maxBytes = bytes.value_or(0);
                whole = whole && bytes;
            } else if (key == "Keep") {
                const auto keep = WholeNumber(value, member, 0, kMostRotatedFiles, "files");
                rotation.keep = static_cast<std::uint32_t>(keep.value_or(0));
                whole = whole && keep;
            } else {
                Add(Severity::Error, member, "is not a setting of the rotation (MaxBytes, Keep)");
                whole = false;
            }
        }
        for (const char* key : {"MaxBytes", "Keep"}) {
            if (!rotate->contains(key)) {
                Add(Severity::Error, MemberPointer("/AuditRotate", key),
                    "missing: the rotation needs MaxBytes and Keep");
            }
        }
        if (whole) {
            settings_.auditRotate = rotation;
        }
        if (!document_.contains("AuditLog")) {
            Add(Severity::Warning, "/AuditRotate", "there is no AuditLog to rotate");
        }
    }

    void ReadDeny() {
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
            } else if (const std::string console = ConfiguredName(name.get<std::string>()); console.empty()) {
                Add(Severity::Warning, position, NeverMatches(name.get<std::string>()));
            } else {
                settings_.deny.insert(console);
            }
        }
    }

    static std::string NeverMatches(const std::string& name) {
        return "\"" + name +
               "\" is no command name (ASCII letters, digits and _), so no command would ever match it";
    }

    void ReadCommands() {
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
            const std::string position = MemberPointer("/Commands", key);
            if (key == "*") {
                settings_.others = ReadEntry(position, entry);
                continue;
            }
            const std::string name = ConfiguredName(key);
            if (name.empty()) {
                Add(Severity::Warning, position, NeverMatches(key));
            } else if (const auto [other, added] = seen.emplace(name, key); !added) {
                Add(Severity::Error, position,
                    "names the same command as " + MemberPointer("/Commands", other->second) +
                        " (case is ignored)");
            }
            const CommandSettings settings = ReadEntry(position, entry);
            if (!name.empty()) {
                settings_.commands.emplace(name, settings);
            }
        }
    }

    CommandSettings ReadEntry(const std::string& position, const json& entry) {
        CommandSettings settings;
        if (!entry.is_object()) {
            Add(Severity::Error, position, "is " + WithArticle(entry) + ", not an object");
            return settings;
        }
        for (const auto& [key, value] : entry.items()) {
            const std::string member = MemberPointer(position, key);
            if (key == "Cooldown") {
                if (!value.is_number() || value.get<double>() < 0) {
                    Add(Severity::Error, member,
                        (value.is_number() ? std::string("is negative") : "is " + WithArticle(value)) +
                            ", not a number of seconds, 0 or more");
                } else {
                    const std::chrono::duration<double> seconds(
                        std::min(value.get<double>(), kLongestCooldownSeconds));
                    settings.cooldown =
                        std::chrono::duration_cast<std::chrono::steady_clock::duration>(seconds);
                }
            } else if (key == "Announce") {
                const auto announce =
                    value.is_string() ? AnnounceFromWord(value.get<std::string>()) : std::nullopt;
                if (!announce) {
                    Add(Severity::Error, member,
                        "is " +
                            (value.is_string() ? "\"" + value.get<std::string>() + "\""
                                               : WithArticle(value)) +
                            ", not one of \"all\", \"none\" or \"admins\"");
                }
                settings.announce = announce;
            } else {
                Add(Severity::Error, member, "is not a setting of a command (Cooldown, Announce)");
            }
        }
        return settings;
    }

    const json& document_;
    json lookups_;
    const std::filesystem::path& pluginFolder_;
    Settings settings_;
    std::vector<ConfigProblem> problems_;
};

}  // namespace

const ConfigProblem* SettingsReading::FirstError() const {
    const auto error = std::find_if(problems.begin(), problems.end(), [](const ConfigProblem& problem) {
        return problem.severity == Severity::Error;
    });
    return error == problems.end() ? nullptr : &*error;
}

std::size_t SettingsReading::Count(ConfigProblem::Severity severity) const {
    return static_cast<std::size_t>(
        std::count_if(problems.begin(), problems.end(),
                      [&](const ConfigProblem& problem) { return problem.severity == severity; }));
}

SettingsReading ReadSettings(const ConfigFile& file, const std::filesystem::path& pluginFolder) {
    return Reader(file, pluginFolder).Run();
}

SettingsReading ReadConfiguration() {
    return ReadSettings(ReadConfigFile(ConfigFilePath()), PluginFolder());
}

std::optional<Announce> AnnounceFromWord(const std::string& word) {
    if (word == "all") {
        return Announce::All;
    }
    if (word == "none") {
        return Announce::None;
    }
    if (word == "admins") {
        return Announce::Admins;
    }
    return std::nullopt;
}

}  // namespace Corvane
