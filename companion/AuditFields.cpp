#include "companion/AuditFields.h"

#include <algorithm>
#include <charconv>

#include <fmt/chrono.h>
#include <fmt/format.h>
#include <nlohmann/json.hpp>

namespace Companion {
namespace {

using nlohmann::json;

std::optional<std::string> TextMember(const json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_string()) {
        return std::nullopt;
    }
    return found->get<std::string>();
}

bool IsWord(const std::string& text, std::size_t longest) {
    return !text.empty() && text.size() <= longest && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    });
}

// The console name of a command: leading blanks passed over, then ASCII
// letters, digits and _, folded to lower case.
std::string ConsoleName(const std::string& command) {
    std::string name;
    std::size_t at = command.find_first_not_of(" \t");
    for (; at < command.size(); ++at) {
        const char c = command[at];
        const bool plain =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        if (!plain) {
            break;
        }
        name += static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
    return name;
}

bool IsConsoleName(const std::string& text) {
    return text.size() <= 100 && ConsoleName(text) == text;
}

std::optional<std::string> InnermostName(const json& object) {
    if (const auto names = object.find("names");
        names != object.end() && names->is_array() && !names->empty()) {
        const json& last = names->back();
        if (last.is_string() && IsConsoleName(last.get<std::string>())) {
            return last.get<std::string>();
        }
        return std::nullopt;
    }
    if (auto command = TextMember(object, "command")) {
        return ConsoleName(*command).substr(0, 100);
    }
    if (auto forgiven = TextMember(object, "forgivenName"); forgiven && IsConsoleName(*forgiven)) {
        return forgiven;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> SteamId(const std::optional<std::string>& text) {
    std::uint64_t id = 0;
    if (!text || text->empty() || text->size() > 20) {
        return std::nullopt;
    }
    const char* end = text->data() + text->size();
    const auto [parsed, error] = std::from_chars(text->data(), end, id);
    return error == std::errc() && parsed == end && id != 0 ? std::optional(id) : std::nullopt;
}

std::optional<std::string> Word(const json& object, const char* key) {
    auto text = TextMember(object, key);
    return text && IsWord(*text, 32) ? text : std::nullopt;
}

}  // namespace

std::optional<std::chrono::sys_seconds> ParseUtc(std::string_view text) {
    // YYYY-MM-DDTHH:MM:SSZ
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':' || text[19] != 'Z') {
        return std::nullopt;
    }
    const auto number = [&](std::size_t at, std::size_t length) -> std::optional<int> {
        int value = 0;
        const char* first = text.data() + at;
        const auto [end, error] = std::from_chars(first, first + length, value);
        return error == std::errc() && end == first + length ? std::optional(value) : std::nullopt;
    };
    const auto year = number(0, 4), month = number(5, 2), day = number(8, 2);
    const auto hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
    if (!year || !month || !day || !hour || !minute || !second || *hour > 23 || *minute > 59 ||
        *second > 59) {
        return std::nullopt;
    }
    const std::chrono::year_month_day date{std::chrono::year(*year),
                                           std::chrono::month(static_cast<unsigned>(*month)),
                                           std::chrono::day(static_cast<unsigned>(*day))};
    if (!date.ok()) {
        return std::nullopt;
    }
    return std::chrono::sys_days(date) + std::chrono::hours(*hour) + std::chrono::minutes(*minute) +
           std::chrono::seconds(*second);
}

std::string UtcText(std::chrono::sys_seconds time) {
    return fmt::format("{:%Y-%m-%dT%H:%M:%S}Z", time);
}

std::optional<AuditFields> ReadAuditFields(std::string_view line) {
    const json object = json::parse(line, nullptr, false);
    if (!object.is_object()) {
        return std::nullopt;
    }
    const auto timeText = TextMember(object, "time");
    const auto time = timeText ? ParseUtc(*timeText) : std::nullopt;
    if (!time) {
        return std::nullopt;
    }
    return AuditFields{*time,
                       TextMember(object, "server"),
                       SteamId(TextMember(object, "steamId")),
                       Word(object, "outcome"),
                       Word(object, "action"),
                       InnermostName(object)};
}

const char* RowFaultName(RowFault fault) {
    switch (fault) {
        case RowFault::None: return "none";
        case RowFault::Json: return "not an audit line";
        case RowFault::Huge: return "too long";
        case RowFault::SteamId: return "Steam id out of range";
        case RowFault::Outcome: return "not a granted use or forgive line";
        case RowFault::Server: return "naming another server";
    }
    return "";
}

FeedLine ToFeedLine(std::string_view line, const std::string& server) {
    if (line.size() > kLongestAuditLine) {
        return {RowFault::Huge, ""};
    }
    // One line of the feed: a line break inside would make two.
    const json object = json::parse(line, nullptr, false);
    if (!object.is_object() || line.find_first_of("\r\n") != std::string_view::npos ||
        line.substr(0, 9) != R"({"time":")" || line.size() < 31 || !ParseUtc(line.substr(9, 20)) ||
        line[29] != '"' || !ReadAuditFields(line)) {
        return {RowFault::Json, ""};
    }
    const AuditFields fields = *ReadAuditFields(line);
    if (!fields.steamId) {
        return {RowFault::SteamId, ""};
    }
    const bool granted = fields.outcome == "granted" && (!fields.action || fields.action == "carried");
    const bool forgiven = fields.action == "forgive" && fields.outcome == "forgiven" &&
                          SteamId(TextMember(object, "forgiven")).has_value();
    if (!granted && !forgiven) {
        return {RowFault::Outcome, ""};
    }
    if (fields.server) {
        return fields.server == server ? FeedLine{RowFault::None, std::string(line)}
                                       : FeedLine{RowFault::Server, ""};
    }
    // After {"time":"YYYY-MM-DDTHH:MM:SSZ",
    constexpr std::size_t kAfterTime = 9 + 20 + 2;
    std::string named(line.substr(0, kAfterTime - 1));
    named += fmt::format(R"(,"server":"{}")", server);
    named += line.substr(kAfterTime - 1);
    return {RowFault::None, std::move(named)};
}

}  // namespace Companion
