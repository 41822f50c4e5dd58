#include "core/AuditEntry.h"

#include <charconv>

#include <nlohmann/json.hpp>

#include "host/Velkor.h"

namespace Corvane {
namespace {

using nlohmann::json;

// The digits of text[from, from + count) as a number; none for anything else.
std::optional<int> Digits(std::string_view text, std::size_t from, std::size_t count) {
    int value = 0;
    const char* first = text.data() + from;
    const auto [end, error] = std::from_chars(first, first + count, value);
    return error == std::errc() && end == first + count && *first != '-' && *first != '+'
               ? std::optional(value)
               : std::nullopt;
}

std::optional<std::string> Text(const json& record, const char* member) {
    const auto found = record.find(member);
    return found != record.end() && found->is_string() ? std::optional(found->get<std::string>())
                                                       : std::nullopt;
}

std::vector<PermissionAnswer> Asked(const json& record) {
    std::vector<PermissionAnswer> asked;
    const auto found = record.find("asked");
    if (found == record.end() || !found->is_array()) {
        return asked;
    }
    for (const json& answer : *found) {
        const auto permission = answer.is_object() ? Text(answer, "permission") : std::nullopt;
        const auto held = answer.is_object() ? answer.find("held") : answer.end();
        if (permission && held != answer.end() && held->is_boolean() && !answer.contains("permissionCut")) {
            asked.push_back({Velkor::Tools::Utf8Decode(*permission), held->get<bool>()});
        }
    }
    return asked;
}

}  // namespace

std::optional<std::chrono::sys_seconds> ParseUtcTime(std::string_view text) {
    using namespace std::chrono;
    constexpr std::string_view kShape = "0000-00-00T00:00:00Z";
    if (text.size() != kShape.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        if (kShape[i] != '0' && text[i] != kShape[i]) {
            return std::nullopt;
        }
    }
    const auto y = Digits(text, 0, 4), mo = Digits(text, 5, 2), d = Digits(text, 8, 2);
    const auto h = Digits(text, 11, 2), mi = Digits(text, 14, 2), s = Digits(text, 17, 2);
    if (!y || !mo || !d || !h || !mi || !s || *h > 23 || *mi > 59 || *s > 60) {
        return std::nullopt;
    }
    const year_month_day day{year(*y), month(static_cast<unsigned>(*mo)),
                             std::chrono::day(static_cast<unsigned>(*d))};
    if (!day.ok()) {
        return std::nullopt;
    }
    return sys_days(day) + hours(*h) + minutes(*mi) + seconds(*s);
}

std::optional<AuditEntry> ParseAuditEntry(std::string_view line) {
    const json record = json::parse(line, nullptr, false);
    if (!record.is_object()) {
        return std::nullopt;
    }
    const auto time = Text(record, "time");
    const auto steamId = Text(record, "steamId");
    const auto outcome = Text(record, "outcome");
    const auto command = Text(record, "command");
    const auto action = Text(record, "action");
    AuditEntry entry;
    const auto parsed = time ? ParseUtcTime(*time) : std::nullopt;
    if (!parsed || !steamId || !outcome || command.has_value() == action.has_value()) {
        return std::nullopt;
    }
    const char* idEnd = steamId->data() + steamId->size();
    const auto [idParsed, idError] = std::from_chars(steamId->data(), idEnd, entry.steamId);
    if (steamId->empty() || idError != std::errc() || idParsed != idEnd) {
        return std::nullopt;
    }
    entry.time = *parsed;
    entry.outcome = *outcome;
    entry.character = Text(record, "character").value_or("");
    entry.command = command ? Velkor::Tools::Utf8Decode(*command) : WideString();
    entry.cut = record.contains("cut");
    entry.action = action.value_or("");
    if (const auto permission = Text(record, "permission")) {
        entry.permission = Velkor::Tools::Utf8Decode(*permission);
    }
    entry.asked = Asked(record);
    entry.rule = Text(record, "rule").value_or("");
    return entry;
}

}  // namespace Corvane
