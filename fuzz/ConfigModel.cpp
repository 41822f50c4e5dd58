#include "fuzz/ConfigModel.h"

#include <sstream>
#include <string_view>

#include "host/Velkor.h"

namespace Fuzz {
namespace {

using nlohmann::json;

// A configured command name matches the console's reading of a command when
// it is made of ASCII letters, digits and '_' alone; case does not count.
std::optional<std::string> CommandName(const std::string& configured) {
    std::string lower;
    for (const char c : configured) {
        if (c >= 'A' && c <= 'Z') {
            lower += static_cast<char>(c + ('a' - 'A'));
        } else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_') {
            lower += c;
        } else {
            return std::nullopt;
        }
    }
    return lower.empty() ? std::nullopt : std::optional(lower);
}

// A JSON pointer's reference token for an object key (RFC 6901).
std::string Token(const std::string& key) {
    std::string token;
    for (const char c : key) {
        if (c == '~') {
            token += "~0";
        } else if (c == '/') {
            token += "~1";
        } else {
            token += c;
        }
    }
    return token;
}

std::optional<AnnounceMode> ModeNamed(const json& value) {
    if (!value.is_string()) {
        return std::nullopt;
    }
    const std::string& word = value.get_ref<const std::string&>();
    if (word == "all") {
        return AnnounceMode::All;
    }
    if (word == "none") {
        return AnnounceMode::None;
    }
    if (word == "admins") {
        return AnnounceMode::Admins;
    }
    return std::nullopt;
}

// Plain names joined by '/', none of them "." or "..", so the file lies under
// the plugin's folder; not under config.json, which is a file; short enough
// for any file system; no NUL, which would end the path early.
bool IsPlainRelativePath(std::string_view path) {
    constexpr std::size_t kLongestName = 200;
    constexpr std::size_t kLongestPath = 1000;
    if (path.size() > kLongestPath || path.find('\0') != std::string_view::npos) {
        return false;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = path.find('/', start);
        const std::string_view name = path.substr(start, slash - start);
        if (name.empty() || name == "." || name == ".." || name.size() > kLongestName ||
            (start == 0 && slash != std::string_view::npos && name == "config.json")) {
            return false;
        }
        if (slash == std::string_view::npos) {
            return true;
        }
        start = slash + 1;
    }
}

}  // namespace

ConfigModel::ConfigModel(const std::string& fileText) {
    std::istringstream stream(fileText);
    try {
        stream >> document_;
        parses_ = true;
    } catch (const nlohmann::json::parse_error& error) {
        parseError_ = error.what();
    } catch (const nlohmann::json::out_of_range& error) {
        parseError_ = error.what();  // a number beyond the range of a double
    }
    if (parses_) {
        ReadControls();
    }
}

void ConfigModel::ReadControls() {
    if (!document_.is_object()) {
        return;  // the plugin loads, and every lookup fails
    }
    if (const auto audit = document_.find("AuditLog"); audit != document_.end()) {
        const bool path = audit->is_string() && !audit->get_ref<const std::string&>().empty() &&
                          audit->get_ref<const std::string&>().find('\0') == std::string::npos;
        if (path) {
            auditLog_ = audit->get<std::string>();
            auditStaysInside_ = IsPlainRelativePath(*auditLog_);
        } else {
            malformed_.insert("/AuditLog");
        }
    }
    if (const auto deny = document_.find("Deny"); deny != document_.end()) {
        ReadDeny(*deny);
    }
    if (const auto commands = document_.find("Commands"); commands != document_.end()) {
        ReadCommands(*commands);
    }
}

void ConfigModel::ReadDeny(const json& deny) {
    if (!deny.is_array()) {
        malformed_.insert("/Deny");
        return;
    }
    for (std::size_t i = 0; i < deny.size(); ++i) {
        if (!deny[i].is_string()) {
            malformed_.insert("/Deny/" + std::to_string(i));
        } else if (const auto name = CommandName(deny[i].get<std::string>())) {
            deny_.insert(*name);
        }
    }
}

void ConfigModel::ReadCommands(const json& commands) {
    if (!commands.is_object()) {
        malformed_.insert("/Commands");
        return;
    }
    std::map<std::string, std::vector<std::string>> keysOfName;
    for (const auto& [key, entry] : commands.items()) {
        const std::string where = "/Commands/" + Token(key);
        const CommandModel settings = ReadEntry(where, entry);
        if (key == "*") {
            others_ = settings;
        } else if (const auto name = CommandName(key)) {
            keysOfName[*name].push_back(where);
            commands_[*name] = settings;
        }
    }
    // Keys differing only in case name one command: which of them the plugin
    // names is its own affair.
    for (const auto& [name, keys] : keysOfName) {
        if (keys.size() > 1) {
            malformed_.insert(keys.begin(), keys.end());
        }
    }
}

CommandModel ConfigModel::ReadEntry(const std::string& where, const json& entry) {
    CommandModel settings;
    if (!entry.is_object()) {
        malformed_.insert(where);
        return settings;
    }
    for (const auto& [key, value] : entry.items()) {
        if (key == "Cooldown" && value.is_number() && value.get<double>() >= 0) {
            settings.cooldownSeconds = value.get<double>();
        } else if (key == "Announce" && ModeNamed(value)) {
            settings.announce = ModeNamed(value);
        } else {
            malformed_.insert(where + "/" + Token(key));
        }
    }
    return settings;
}

const CommandModel* ConfigModel::SettingsFor(const std::string& name) const {
    if (name.empty()) {
        return nullptr;  // no command the console could name: nothing applies
    }
    if (const auto own = commands_.find(name); own != commands_.end()) {
        return &own->second;
    }
    return others_ ? &*others_ : nullptr;
}

// The rules of the library's non-constant member access and value-or-default,
// spelled out instead of called, so a lookup here never changes the document.
bool ConfigModel::HasMessage(const std::string& key) const {
    const auto messages = document_.is_object() ? document_.find("Messages") : document_.end();
    return messages != document_.end() && messages->is_object() && messages->contains(key);
}

MessageOutcome ConfigModel::Message(const std::string& key, const char* whenMissing) const {
    if (!document_.is_null() && !document_.is_object()) {
        return {{}, 305};
    }
    const auto messages = document_.is_object() ? document_.find("Messages") : document_.end();
    if (messages == document_.end() || !messages->is_object()) {
        return {{}, 306};
    }
    const auto found = messages->find(key);
    if (found == messages->end()) {
        return {Velkor::Tools::Utf8Decode(whenMissing), 0};
    }
    if (!found->is_string()) {
        return {{}, 302};
    }
    return {CutAtNul(Velkor::Tools::Utf8Decode(found->get<std::string>())), 0};
}

SwitchOutcome ConfigModel::PrintToChat() const {
    if (!document_.is_null() && !document_.is_object()) {
        return {false, 305};
    }
    const auto found = document_.is_object() ? document_.find("PrintToChat") : document_.end();
    if (found == document_.end() || !found->is_boolean()) {
        return {false, 302};
    }
    return {found->get<bool>(), 0};
}

bool ConfigModel::HasHugeWidth() const {
    for (const char* key : {"LogMsg", "NoPermissions", "Cooldown"}) {
        if (HasLongDigitRun(Message(key).text)) {
            return true;
        }
    }
    return false;
}

std::string TypeErrorPrefix(int id) {
    return "[json.exception.type_error." + std::to_string(id) + "]";
}

bool HasLongDigitRun(WideStringView text) {
    int run = 0;
    for (const WideChar c : text) {
        run = (c >= '0' && c <= '9') ? run + 1 : 0;
        if (run >= 5) {
            return true;
        }
    }
    return false;
}

WideString CutAtNul(WideStringView text) {
    return WideString(text.substr(0, text.find(WideChar{0})));
}

}  // namespace Fuzz
