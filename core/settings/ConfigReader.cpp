#include "core/settings/ConfigReader.h"

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <fmt/xchar.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "core/settings/AuditPath.h"
#include "core/settings/ConfigSchema.h"
#include "core/settings/MessageLookups.h"
#include "core/text/CommandText.h"
#include "core/text/FormatCheck.h"
#include "host/Velkor.h"

namespace Corvane {
namespace {

using nlohmann::json;
using Severity = ConfigProblem::Severity;

constexpr const char* kNoGrantedUse = "no granted command would run";
constexpr const char* kNoRefusal = "refused players would get no reply";
// A rotated file holds at least a few of the longest audit lines (16 KiB each).
constexpr std::uint64_t kLeastRotationBytes = 65536;
constexpr std::uint64_t kMostRotationBytes = std::uint64_t{1} << 40;
constexpr std::uint64_t kMostRotatedFiles = 1000;
constexpr std::uint64_t kMostArguments = 1000;

std::string WithArticle(const json& value) {
    const std::string type = value.type_name();
    return (type == "array" || type == "object" ? "an " : "a ") + type;
}

class Reader {
public:
    Reader(const ConfigFile& file, const std::filesystem::path& pluginFolder)
        : file_(file), document_(file.document), pluginFolder_(pluginFolder) {}

    SettingsReading Run() {
        json lookups = document_;
        LookUpMessagesAndSwitch(lookups, settings_);
        CheckTrailingText();
        CheckRepeated();
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
        CheckAuditFiles();
        ReadNames("Deny", "the deny list can't hold it", settings_.deny);
        ReadNames("Wrappers", "no command would be read through it", settings_.wrappers);
        ReadCommands();
        CheckCooldownsKept();
        CheckUnknown(document_, ConfigLevel::Top, "");
        return Done();
    }

private:
    SettingsReading Done() { return {std::move(settings_), std::move(problems_)}; }

    void Add(Severity severity, std::string position, std::string description) {
        problems_.push_back({severity, std::move(position), std::move(description)});
    }

    void CheckTrailingText() {
        if (file_.trailingText) {
            Add(Severity::Warning, "",
                fmt::format("text after the first JSON value, from byte {} on, is ignored",
                            *file_.trailingText));
        }
    }

    void CheckRepeated() {
        std::set<std::string> told;
        for (const std::string& pointer : file_.repeated) {
            if (!told.insert(pointer).second) {
                continue;
            }
            // The messages and the switch, written twice: the last one wins, as
            // the JSON library has always read them. A control written twice is
            // one the plugin can't tell the meaning of.
            const std::string top = pointer.substr(1, pointer.find('/', 1) - 1);
            if (IsControl(ConfigLevel::Top, top)) {
                Add(Severity::Error, pointer,
                    "is written more than once, so which one applies can't be told");
            } else if (IsKnownMember(ConfigLevel::Top, top)) {
                Add(Severity::Warning, pointer, "is written more than once: the last one is used");
            }
        }
    }

    // Members not known at their level, each naming the member it is close
    // to, or where it belongs: an error when that is a control, which would
    // otherwise silently not apply; a warning otherwise.
    void CheckUnknown(const json& object, ConfigLevel level, const std::string& position) {
        for (const auto& [key, value] : object.items()) {
            if (!IsKnownMember(level, key)) {
                const auto hint = Suggestion(level, position, key);
                Add(hint && hint->control ? Severity::Error : Severity::Warning, MemberPointer(position, key),
                    "is not read by the plugin" + (hint ? " " + hint->text : std::string()));
            }
        }
    }

    // PrintToChat is read by every granted use that no "Announce" decides,
    // and a name the console can't read (";x") takes no entry at all: the
    // warning names the commands that would fail, or those that would not.
    void CheckPrintToChat() {
        const auto printToChat = document_.find("PrintToChat");
        if (printToChat != document_.end() && printToChat->is_boolean()) {
            return;
        }
        const std::string what = printToChat == document_.end()
                                     ? std::string("missing")
                                     : "is " + WithArticle(*printToChat) + ", not true or false";
        Add(Severity::Warning, "/PrintToChat", what + ": " + WhichGrantedUsesFail());
    }

    std::string WhichGrantedUsesFail() const {
        std::vector<std::string> announced;
        std::vector<std::string> silent;  // entries without Announce
        bool othersAnnounced = false;
        const auto commands = document_.find("Commands");
        if (commands != document_.end() && commands->is_object()) {
            for (const auto& [key, entry] : commands->items()) {
                const bool announces = entry.is_object() && entry.contains("Announce");
                if (key == "*") {
                    othersAnnounced = announces;
                } else {
                    (announces ? announced : silent).push_back(key);
                }
            }
        }
        if (!othersAnnounced) {
            return announced.empty()
                       ? kNoGrantedUse
                       : fmt::format("no granted command would run but {}, whose entr{} Announce",
                                     fmt::join(announced, ", "),
                                     announced.size() == 1 ? "y sets" : "ies set");
        }
        constexpr const char* kUnreadName =
            "a granted command whose name the console can't read (such as \";x\"), which takes no entry of "
            "Commands, would not run";
        if (silent.empty()) {
            return kUnreadName;
        }
        return fmt::format("granted {} would not run ({} no Announce), nor would {}", fmt::join(silent, ", "),
                           silent.size() == 1 ? "its entry sets" : "their entries set",
                           "a command whose name the console can't read (such as \";x\")");
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
        CheckUnknown(*messages, ConfigLevel::Messages, "/Messages");
    }

    // Warns when the message (when it is a text) asks for a field wider than
    // any use should format, or when the formatting library rejects it with
    // these arguments; the text it gives otherwise.
    template <class... Args>
    std::optional<WideString> CheckFormat(const json& messages, const char* key,
                                          const std::string& consequence, const char* fields,
                                          const Args&... args) {
        const auto message = messages.find(key);
        if (message == messages.end() || !message->is_string()) {
            return std::nullopt;
        }
        const std::string position = std::string("/Messages/") + key;
        const WideString format = Velkor::Tools::Utf8Decode(message->get<std::string>());
        if (Tame(format).wasWider) {
            Add(Severity::Warning, position,
                fmt::format("asks for a field width or precision above {0}: each use formats it at {0}",
                            kWidestField));
        }
        try {
            return TrialFormat(format, args...);
        } catch (const fmt::format_error& error) {
            Add(Severity::Warning, position,
                std::string("the formatting library rejects it (") + error.what() + "): " + consequence +
                    "; it takes " + fields + ", and a literal brace is written {{ or }}");
        }
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
                    "at most three fields, {0} the seconds left, {1} the command and {2} the time left in "
                    "words",
                    WIDE("30"), WIDE("fly"), WIDE("30 seconds"));
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

    // The audit file is not the configuration, and none of its files is one
    // the plugin would wait on or write into unseen.
    void CheckAuditFiles() {
        if (!settings_.auditFile) {
            return;
        }
        if (auto problem = AuditLogNamesConfiguration(settings_, pluginFolder_ / "config.json")) {
            problems_.push_back(std::move(*problem));
            settings_.auditFile.reset();
            return;
        }
        for (const std::filesystem::path& file : AuditFilesNewestFirst(*settings_.auditFile)) {
            std::error_code ignored;
            const char* kind = nullptr;
            switch (std::filesystem::status(file, ignored).type()) {
                case std::filesystem::file_type::fifo: kind = "a pipe, which the plugin would wait on"; break;
                case std::filesystem::file_type::socket: kind = "a socket, which holds no lines"; break;
                case std::filesystem::file_type::block:
                    kind = "a block device, whose data it would overwrite";
                    break;
                default: continue;
            }
            Add(Severity::Error, "/AuditLog",
                PathText(file) + " is " + kind + ": the audit file and its rotated files must be files");
        }
    }

    // A whole number from least to most, or an error naming the member.
    std::optional<std::uint64_t> WholeNumber(const json& value, const std::string& position,
                                             std::uint64_t least, std::uint64_t most, const char* what) {
        const bool whole = value.is_number_unsigned() ||
                           (value.is_number_integer() && value.get<std::int64_t>() >= 0) ||
                           (value.is_number_float() && value.get<double>() >= 0 &&
                            value.get<double>() <= static_cast<double>(most) &&
                            value.get<double>() == static_cast<double>(value.get<std::uint64_t>()));
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
        bool whole = true;
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
                NotASetting(ConfigLevel::AuditRotate, "/AuditRotate", key, "of the rotation");
                whole = false;
            }
        }
        for (const char* key : {"MaxBytes", "Keep"}) {
            if (!rotate->contains(key)) {
                Add(Severity::Error, MemberPointer("/AuditRotate", key),
                    "missing: the rotation needs MaxBytes and Keep");
                whole = false;
            }
        }
        if (whole) {
            settings_.auditRotate = rotation;
        }
        if (!document_.contains("AuditLog")) {
            Add(Severity::Warning, "/AuditRotate", "there is no AuditLog to rotate");
        }
    }

    // The error of a key a control's object does not take.
    void NotASetting(ConfigLevel level, const std::string& parent, const std::string& key,
                     const char* settings) {
        const auto hint = Suggestion(level, parent, key);
        Add(Severity::Error, MemberPointer(parent, key),
            std::string("is not a setting ") + settings + " (" + KnownMembers(level) + ")" +
                (hint ? " " + hint->text : std::string()));
    }

    static std::string NotAName(const std::string& name, const char* consequence) {
        return "\"" + name +
               "\" is not a command name (ASCII letters, digits and _ only, nothing else): " + consequence;
    }

    // A list of plain command names ("Deny", "Wrappers"), each an error when it is not one.
    void ReadNames(const char* member, const char* consequence, std::set<std::string>& names) {
        const auto list = document_.find(member);
        if (list == document_.end()) {
            return;
        }
        const std::string position = std::string("/") + member;
        if (!list->is_array()) {
            Add(Severity::Error, position, "is " + WithArticle(*list) + ", not a list of command names");
            return;
        }
        for (std::size_t i = 0; i < list->size(); ++i) {
            const json& name = (*list)[i];
            const std::string at = position + "/" + std::to_string(i);
            if (!name.is_string()) {
                Add(Severity::Error, at, "is " + WithArticle(name) + ", not a command name");
            } else if (const std::string console = ConfiguredName(name.get<std::string>()); console.empty()) {
                Add(Severity::Error, at, NotAName(name.get<std::string>(), consequence));
            } else {
                names.insert(console);
            }
        }
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
                Add(Severity::Error, position, NotAName(key, "no command would take this entry"));
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

    // Cooldowns start again at load from the audit record: without one they
    // live only as long as the plugin does.
    void CheckCooldownsKept() {
        const auto cools = [](const CommandSettings& command) { return command.cooldown.count() > 0; };
        const bool some = std::any_of(settings_.commands.begin(), settings_.commands.end(),
                                      [&](const auto& entry) { return cools(entry.second); }) ||
                          (settings_.others && cools(*settings_.others));
        if (some && !document_.contains("AuditLog")) {
            Add(Severity::Warning, "/Commands",
                "has cooldowns, and there is no AuditLog: cooldowns are forgotten when the plugin unloads");
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
                        std::min(value.get<double>(), static_cast<double>(kLongestCooldown.count())));
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
            } else if (key == "MaxArguments") {
                const auto most = WholeNumber(value, member, 0, kMostArguments, "arguments");
                settings.rules.maxArguments = most ? std::optional<std::size_t>(*most) : std::nullopt;
            } else if (key == "Arguments") {
                settings.rules.arguments = ReadArgumentRules(member, value);
            } else {
                NotASetting(ConfigLevel::Command, position, key, "of a command");
            }
        }
        settings.rules.pointer = position;
        return settings;
    }

    std::vector<std::optional<ArgumentRule>> ReadArgumentRules(const std::string& position,
                                                               const json& list) {
        std::vector<std::optional<ArgumentRule>> rules;
        if (!list.is_array()) {
            Add(Severity::Error, position, "is " + WithArticle(list) + ", not a list of argument rules");
            return rules;
        }
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::string at = position + "/" + std::to_string(i);
            if (list[i].is_null() || (list[i].is_object() && list[i].empty())) {
                rules.emplace_back();
            } else if (!list[i].is_object()) {
                Add(Severity::Error, at,
                    "is " + WithArticle(list[i]) + ", not an argument rule (an object, or null)");
                rules.emplace_back();
            } else {
                rules.push_back(ReadArgumentRule(at, list[i]));
            }
        }
        return rules;
    }

    ArgumentRule ReadArgumentRule(const std::string& position, const json& object) {
        ArgumentRule rule;
        rule.pointer = position;
        for (const auto& [key, value] : object.items()) {
            const std::string member = MemberPointer(position, key);
            if (key == "Min" || key == "Max") {
                if (!value.is_number()) {
                    Add(Severity::Error, member, "is " + WithArticle(value) + ", not a number");
                } else {
                    (key == "Min" ? rule.min : rule.max) = value.get<double>();
                }
            } else if (key == "Allow") {
                rule.allow = ReadPatterns(member, value);
            } else if (key == "Permission" || key == "Whole") {
                if (!value.is_boolean()) {
                    Add(Severity::Error, member, "is " + WithArticle(value) + ", not true or false");
                } else {
                    (key == "Permission" ? rule.permission : rule.whole) = value.get<bool>();
                }
            } else {
                NotASetting(ConfigLevel::ArgumentRule, position, key, "of an argument rule");
            }
        }
        if (rule.min && rule.max && *rule.min > *rule.max) {
            Add(Severity::Error, position + "/Max",
                fmt::format("is below Min ({}): no argument could pass", *rule.min));
        } else if (rule.whole && rule.min && rule.max && std::ceil(*rule.min) > std::floor(*rule.max)) {
            Add(Severity::Error, position + "/Whole",
                fmt::format("no whole number lies from Min ({}) to Max ({}): no argument could pass",
                            *rule.min, *rule.max));
        }
        return rule;
    }

    std::vector<WideString> ReadPatterns(const std::string& position, const json& list) {
        std::vector<WideString> patterns;
        if (!list.is_array() || list.empty()) {
            Add(Severity::Error, position,
                "is " + (list.is_array() ? std::string("an empty list") : WithArticle(list)) +
                    ", not a list of patterns: no argument could pass");
            return patterns;
        }
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::string at = position + "/" + std::to_string(i);
            if (!list[i].is_string()) {
                Add(Severity::Error, at, "is " + WithArticle(list[i]) + ", not a pattern");
            } else if (list[i].get_ref<const std::string&>().empty()) {
                Add(Severity::Error, at,
                    "is empty: it would match only an empty argument, which no one can type");
            } else {
                patterns.push_back(Velkor::Tools::Utf8Decode(list[i].get<std::string>()));
            }
        }
        return patterns;
    }

    const ConfigFile& file_;
    const json& document_;
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

std::optional<ConfigProblem> AuditLogNamesConfiguration(const Settings& settings,
                                                        const std::filesystem::path& configFile) {
    const auto& file = settings.auditFile;
    std::error_code ignored;
    if (!file || (file->lexically_normal() != configFile.lexically_normal() &&
                  !std::filesystem::equivalent(*file, configFile, ignored))) {
        return std::nullopt;
    }
    return ConfigProblem{Severity::Error, "/AuditLog",
                         "names the configuration file: a player's audit line would be read as the "
                         "configuration at the next load"};
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
