#include "fuzz/ConfigModel.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
#include <sstream>
#include <string_view>
#include <vector>

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

// Every member the plugin knows, by the place of the object that holds it,
// and whether it is a control (else one of the messages or the switch).
struct KnownMember {
    std::string_view place;
    std::string_view name;
    bool control;
};
constexpr KnownMember kKnown[] = {
    {"", "PrintToChat", false},
    {"", "Messages", false},
    {"", "AuditLog", true},
    {"", "AuditRotate", true},
    {"", "Deny", true},
    {"", "Commands", true},
    {"", "Wrappers", true},
    {"/Messages", "LogMsg", false},
    {"/Messages", "NoPermissions", false},
    {"/Messages", "Sender", false},
    {"/Messages", "Cooldown", false},
    {"/Messages", "Denied", false},
    {"/Messages", "Limit", false},
    {"/AuditRotate", "MaxBytes", true},
    {"/AuditRotate", "Keep", true},
    {"/Commands/*", "Cooldown", true},
    {"/Commands/*", "Announce", true},
    {"/Commands/*", "MaxArguments", true},
    {"/Commands/*", "Arguments", true},
    {"/Commands/*", "MaxUses", true},
    {"/Commands/*", "Tiers", true},
    {"/Commands/*/MaxUses", "Count", true},
    {"/Commands/*/MaxUses", "Per", true},
    {"/Commands/*/Tiers/*", "Permission", true},
    {"/Commands/*/Tiers/*", "Cooldown", true},
    {"/Commands/*/Tiers/*", "MaxUses", true},
    {"/Commands/*/Tiers/*/MaxUses", "Count", true},
    {"/Commands/*/Tiers/*/MaxUses", "Per", true},
    {"/Commands/*/Arguments/*", "Min", true},
    {"/Commands/*/Arguments/*", "Max", true},
    {"/Commands/*/Arguments/*", "Allow", true},
    {"/Commands/*/Arguments/*", "Permission", true},
    {"", "Cluster", true},
    {"/Cluster", "Server", true},
    {"/Cluster", "Feed", true},
    {"/Cluster", "StaleAfter", true},
    {"/Cluster", "PollSeconds", true},
    {"/Cluster", "Database", true},
    {"/Cluster/Database", "Host", true},
    {"/Cluster/Database", "Port", true},
    {"/Cluster/Database", "User", true},
    {"/Cluster/Database", "Name", true},
    {"/Cluster/Database", "Password", true},
    {"/Cluster/Database", "PasswordFile", true},
    {"/Cluster/Database", "PasswordEnv", true},
    {"/Cluster/Database", "Table", true},
    {"/Cluster/Database", "Tls", true},
    {"/Cluster/Database/Tls", "CA", true},
};

bool Knows(std::string_view place, std::string_view key) {
    for (const KnownMember& known : kKnown) {
        if (known.place == place && known.name == key) {
            return true;
        }
    }
    return false;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + ('a' - 'A'));
        }
    }
    return lower;
}

// Insertions, deletions, substitutions and swaps of two neighbours that make
// a into b (no letter edited twice), over the whole table.
std::size_t Edits(const std::string& a, const std::string& b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) {
        for (std::size_t j = 0; j <= b.size(); ++j) {
            if (i == 0 || j == 0) {
                d[i][j] = i + j;
                continue;
            }
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[a.size()][b.size()];
}

// Whether the plugin takes an unknown key at place for a control: the first
// of these that finds any member decides, and it is a control when one of
// those it finds is: the members of the place that differ only in case; the
// members of other places that differ only in case; the members of the place
// that are one edit away (a name of three letters or fewer) or two.
bool TakenForAControl(std::string_view place, std::string_view key) {
    const std::string folded = Lower(key);
    const auto sameCase = [&](const KnownMember& known) { return Lower(known.name) == folded; };
    const auto close = [&](const KnownMember& known) {
        return Edits(folded, Lower(known.name)) <= (known.name.size() <= 3 ? 1u : 2u);
    };
    const std::function<bool(const KnownMember&)> tries[] = {
        [&](const KnownMember& known) { return known.place == place && sameCase(known); },
        [&](const KnownMember& known) { return known.place != place && sameCase(known); },
        [&](const KnownMember& known) { return known.place == place && close(known); },
    };
    for (const auto& finds : tries) {
        bool found = false;
        bool control = false;
        for (const KnownMember& known : kKnown) {
            if (finds(known)) {
                found = true;
                control = control || known.control;
            }
        }
        if (found) {
            return control;
        }
    }
    return false;
}

// A format text with fields as the plugin keeps it: in the format part of
// each replacement field, from the ':' that follows its '{' (before any '}')
// to the '}' that closes the field, braces within it nested, every number
// above 1,000 that an int holds reads 1000.
WideString TamedFormat(WideStringView text) {
    enum class Part { Text, Name, Format } part = Part::Text;
    int nested = 0;
    WideString out;
    std::size_t i = 0;
    while (i < text.size()) {
        const WideChar c = text[i];
        if (part == Part::Format && c >= '0' && c <= '9') {
            const std::size_t start = i;
            double value = 0;
            for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
                value = std::min(value * 10 + (text[i] - '0'), 1e13);
            }
            const bool tamed = value > 1000 && value <= 2147483647.0;
            out += tamed ? WideString(WIDE("1000")) : WideString(text.substr(start, i - start));
            continue;
        }
        if (part == Part::Text && c == '{' && i + 1 < text.size() && text[i + 1] == '{') {
            out += WIDE("{{");
            i += 2;
            continue;
        }
        if (part == Part::Text && c == '{') {
            part = Part::Name;
        } else if (part == Part::Name && (c == ':' || c == '}')) {
            part = c == ':' ? Part::Format : Part::Text;
            nested = 0;
        } else if (part == Part::Format && c == '{') {
            ++nested;
        } else if (part == Part::Format && c == '}' && nested-- == 0) {
            part = Part::Text;
        }
        out += c;
        ++i;
    }
    return out;
}

// True when a relative path, taken from the plugin's folder, names
// config.json beside it: its names joined by '/' walked from that folder
// (Velkor/Plugins/Corvane under a root no input can name), "." staying and
// ".." going up. A path that ends in '/', "." or ".." names a folder.
bool NamesTheConfiguration(std::string_view path) {
    if (path.empty() || path.front() == '/') {
        return false;
    }
    std::vector<std::string_view> at = {"Velkor", "Plugins", "Corvane"};
    std::string_view last;
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t slash = std::min(path.find('/', start), path.size());
        last = path.substr(start, slash - start);
        if (last == "..") {
            if (at.empty()) {
                return false;  // above the root: wherever that is, no input names it back
            }
            at.pop_back();
        } else if (!last.empty() && last != ".") {
            at.push_back(last);
        }
        start = slash + 1;
    }
    const std::vector<std::string_view> config = {"Velkor", "Plugins", "Corvane", "config.json"};
    return at == config && !last.empty() && last != "." && last != "..";
}

// A whole number from least to most, however JSON writes it (5, 5.0, -0).
bool IsWholeWithin(const json& value, double least, double most) {
    return value.is_number() && value.get<double>() >= least && value.get<double>() <= most &&
           value.get<double>() == std::floor(value.get<double>());
}

}  // namespace

ConfigModel::ConfigModel(const std::string& fileText) {
    std::istringstream stream(fileText);
    try {
        stream >> document_;
        parses_ = true;
        // Only objects have members to repeat; the object ends at its closing brace.
        if (document_.is_object()) {
            FindRepeats(fileText.substr(0, static_cast<std::size_t>(stream.tellg())));
        }
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
    const auto unknown = [this](std::string_view place, const std::string& key) {
        if (!Knows(place, key)) {
            const std::string pointer = std::string(place) + "/" + Token(key);
            (TakenForAControl(place, key) ? malformed_ : unknown_).insert(pointer);
        }
    };
    for (const auto& [key, value] : document_.items()) {
        unknown("", key);
        if (key == "Messages" && value.is_object()) {
            for (const auto& [message, text] : value.items()) {
                unknown("/Messages", message);
            }
        }
    }
    if (const auto audit = document_.find("AuditLog"); audit != document_.end()) {
        const std::string text = audit->is_string() ? audit->get<std::string>() : std::string();
        // On Linux a backslash or a drive letter would name another file on Windows.
        const bool drive =
            text.size() > 1 && text[1] == ':' && std::isalpha(static_cast<unsigned char>(text[0]));
        const bool path = audit->is_string() && !text.empty() && text.find('\0') == std::string::npos &&
                          text.find('\\') == std::string::npos && !drive && !NamesTheConfiguration(text);
        if (path) {
            auditLog_ = text;
            auditStaysInside_ = IsPlainRelativePath(*auditLog_);
        } else {
            malformed_.insert("/AuditLog");
        }
    }
    if (const auto deny = document_.find("Deny"); deny != document_.end()) {
        ReadNames("/Deny", *deny, deny_);
    }
    if (const auto wrappers = document_.find("Wrappers"); wrappers != document_.end()) {
        ReadNames("/Wrappers", *wrappers, wrappers_);
    }
    if (const auto rotate = document_.find("AuditRotate"); rotate != document_.end()) {
        ReadRotation(*rotate);
    }
    if (const auto commands = document_.find("Commands"); commands != document_.end()) {
        ReadCommands(*commands);
    }
}

void ConfigModel::ReadNames(const std::string& where, const json& list, std::set<std::string>& names) {
    if (!list.is_array()) {
        malformed_.insert(where);
        return;
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        const auto name = list[i].is_string() ? CommandName(list[i].get<std::string>()) : std::nullopt;
        if (name) {
            names.insert(*name);
        } else {
            malformed_.insert(where + "/" + std::to_string(i));
        }
    }
}

void ConfigModel::ReadRotation(const json& rotate) {
    if (!rotate.is_object()) {
        malformed_.insert("/AuditRotate");
        return;
    }
    for (const auto& [key, value] : rotate.items()) {
        const bool good = (key == "MaxBytes" && IsWholeWithin(value, 65536, 1099511627776.0)) ||
                          (key == "Keep" && IsWholeWithin(value, 0, 1000));
        if (!good) {
            malformed_.insert("/AuditRotate/" + Token(key));
        }
    }
    for (const char* key : {"MaxBytes", "Keep"}) {
        if (!rotate.contains(key)) {
            malformed_.insert(std::string("/AuditRotate/") + key);
        }
    }
}

// Every member written again in an object of the file's first value, by the
// JSON library's own reading events: a key met twice at the same place.
void ConfigModel::FindRepeats(const std::string& firstValue) {
    struct Open {
        std::set<std::string> keys;  // objects: the keys met so far
        std::size_t elements = 0;    // arrays: the values met so far
        bool array = false;
    };
    std::vector<Open> open;
    std::vector<std::string> path;  // the token of each open container, and of the value being read
    std::string key;
    const auto enter = [&] {
        if (open.empty()) {
            return std::string();
        }
        return open.back().array ? std::to_string(open.back().elements++) : Token(key);
    };
    static_cast<void>(json::parse(
        firstValue,
        [&](int, json::parse_event_t event, json& value) {
            switch (event) {
                case json::parse_event_t::key:
                    key = value.get<std::string>();
                    if (!open.back().keys.insert(key).second) {
                        std::string where;
                        for (std::size_t i = 1; i < path.size(); ++i) {  // path[0] is the document's
                            where += "/" + path[i];
                        }
                        where += "/" + Token(key);
                        // Only a control written twice stops the load; a message or an unknown member warns.
                        const std::string top = where.substr(1, where.find('/', 1) - 1);
                        if (top == "AuditLog" || top == "AuditRotate" || top == "Deny" || top == "Commands" ||
                            top == "Wrappers" || top == "Cluster") {
                            malformed_.insert(where);
                        }
                    }
                    break;
                case json::parse_event_t::object_start:
                case json::parse_event_t::array_start:
                    path.push_back(enter());
                    open.push_back({{}, 0, event == json::parse_event_t::array_start});
                    break;
                case json::parse_event_t::object_end:
                case json::parse_event_t::array_end:
                    open.pop_back();
                    path.pop_back();
                    break;
                case json::parse_event_t::value: enter(); break;
            }
            return true;
        },
        false));
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
        } else {
            malformed_.insert(where);
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
    settings.at = where;
    if (!entry.is_object()) {
        malformed_.insert(where);
        return settings;
    }
    for (const auto& [key, value] : entry.items()) {
        const std::string member = where + "/" + Token(key);
        if (key == "Cooldown" && value.is_number() && value.get<double>() >= 0) {
            settings.cooldownSeconds = value.get<double>();
        } else if (key == "Announce" && ModeNamed(value)) {
            settings.announce = ModeNamed(value);
        } else if (key == "MaxArguments" && IsWholeWithin(value, 0, 1000)) {
            settings.mostArguments = value.get<double>();
        } else if (key == "Arguments") {
            ReadRules(member, value, settings);
        } else {
            malformed_.insert(member);
        }
    }
    return settings;
}

void ConfigModel::ReadRules(const std::string& where, const json& list, CommandModel& settings) {
    if (!list.is_array()) {
        malformed_.insert(where);
        return;
    }
    for (std::size_t place = 0; place < list.size(); ++place) {
        const json& rule = list[place];
        const std::string at = where + "/" + std::to_string(place);
        if (rule.is_object() && !rule.empty()) {
            settings.rules[place] = ReadRule(at, rule);
        } else if (!rule.is_null() && !rule.is_object()) {
            malformed_.insert(at);
        }
    }
}

ArgumentRuleModel ConfigModel::ReadRule(const std::string& where, const json& rule) {
    ArgumentRuleModel read{where, {}, {}, false, {}, false};
    for (const auto& [key, value] : rule.items()) {
        const std::string member = where + "/" + Token(key);
        if (key == "Allow") {
            read.allowed = ReadPatterns(member, value);
        } else if (key == "Min" && value.is_number()) {
            read.least = value.get<double>();
        } else if (key == "Max" && value.is_number()) {
            read.most = value.get<double>();
        } else if (key == "Permission" && value.is_boolean()) {
            read.ownPermission = value.get<bool>();
        } else if (key == "Whole" && value.is_boolean()) {
            read.whole = value.get<bool>();
        } else {
            malformed_.insert(member);
        }
    }
    // No number lies between them; or, asked for, no whole one.
    if (read.least && read.most && *read.most < *read.least) {
        malformed_.insert(where + "/Max");
    } else if (read.whole && read.least && read.most && std::floor(*read.most) < std::ceil(*read.least)) {
        malformed_.insert(where + "/Whole");
    }
    return read;
}

std::vector<WideString> ConfigModel::ReadPatterns(const std::string& where, const json& list) {
    std::vector<WideString> patterns;
    if (!list.is_array() || list.empty()) {
        malformed_.insert(where);  // no argument could pass
        return patterns;
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        // The load refuses an empty pattern, as it refuses an empty list.
        if (list[i].is_string() && !list[i].get_ref<const std::string&>().empty()) {
            patterns.push_back(Velkor::Tools::Utf8Decode(list[i].get<std::string>()));
        } else {
            malformed_.insert(where + "/" + std::to_string(i));
        }
    }
    return patterns;
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
    const WideString text = CutAtNul(Velkor::Tools::Utf8Decode(found->get<std::string>()));
    return {key == "LogMsg" || key == "Cooldown" ? TamedFormat(text) : text, 0};
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
