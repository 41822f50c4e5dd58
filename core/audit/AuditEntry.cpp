#include "core/audit/AuditEntry.h"

#include <fmt/format.h>

#include <charconv>

#include <nlohmann/json.hpp>

#include "core/text/CommandText.h"
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

// The members of one audit line as the JSON library's parser meets them, with
// no document built: reading a long record is mostly this. Of a member
// written twice the last one counts, as in the library's documents, and a
// member of another type than its own counts as absent.
class EntryReader {
public:
    using number_integer_t = json::number_integer_t;
    using number_unsigned_t = json::number_unsigned_t;
    using number_float_t = json::number_float_t;
    using string_t = json::string_t;
    using binary_t = json::binary_t;

    std::optional<std::string> time, steamId, outcome, command, action, permission, rule, carries, server,
        previousAuditLog, forgiven, forgivenName;
    bool cut = false;
    std::vector<PermissionAnswer> asked;
    std::optional<std::vector<std::string>> names;

    bool null() { return NotText() && Value(); }
    bool boolean(bool value) {
        NotText();
        if (InAnswer() && member_ == kHeld) {
            held_ = value;
        }
        return Value();
    }
    bool number_integer(number_integer_t /*value*/) { return NotText() && Value(); }
    bool number_unsigned(number_unsigned_t /*value*/) { return NotText() && Value(); }
    bool number_float(number_float_t /*value*/, const string_t& /*text*/) { return NotText() && Value(); }
    bool binary(binary_t& /*value*/) { return NotText() && Value(); }
    bool string(string_t& value) {
        if (depth_ == 1 && text_ != nullptr) {
            *text_ = std::move(value);
        } else if (depth_ == 2 && namesList_ && names) {
            names->push_back(std::move(value));
        } else if (InAnswer() && member_ == kPermission) {
            answerPermission_ = std::move(value);
        }
        return Value();
    }
    bool start_object(std::size_t /*elements*/) {
        NotText();
        if (depth_ == 2) {
            answer_ = askedList_;
            answerPermission_.reset();
            held_.reset();
            answerCut_ = false;
        }
        return Open();
    }
    bool end_object() {
        if (InAnswer() && answerPermission_ && held_ && !answerCut_) {
            asked.push_back({Velkor::Tools::Utf8Decode(*answerPermission_), *held_});
        }
        answer_ = answer_ && depth_ != 3;
        return Close();
    }
    bool start_array(std::size_t /*elements*/) {
        NotText();
        if (depth_ == 1) {
            askedList_ = member_ == kAsked;
            namesList_ = member_ == kNames;
            if (namesList_) {
                names.emplace();
            }
        }
        return Open();
    }
    bool end_array() {
        askedList_ = askedList_ && depth_ != 2;
        namesList_ = namesList_ && depth_ != 2;
        return Close();
    }
    bool key(string_t& name) {
        if (depth_ == 1) {
            Member(name);
        } else if (InAnswer()) {
            AnswerMember(name);
        }
        return true;
    }
    bool parse_error(std::size_t /*position*/, const std::string& /*token*/,
                     const json::exception& /*error*/) {
        return false;
    }

private:
    enum Kind { kOther, kAsked, kNames, kPermission, kHeld };

    // A member of the line starts: what it held before no longer counts.
    void Member(const std::string& name) {
        const std::pair<const char*, std::optional<std::string>*> texts[] = {
            {"time", &time},         {"steamId", &steamId},
            {"outcome", &outcome},   {"command", &command},
            {"action", &action},     {"permission", &permission},
            {"rule", &rule},         {"carries", &carries},
            {"server", &server},     {"previousAuditLog", &previousAuditLog},
            {"forgiven", &forgiven}, {"forgivenName", &forgivenName}};
        text_ = nullptr;
        for (const auto& [textName, text] : texts) {
            if (name == textName) {
                text->reset();
                text_ = text;
            }
        }
        member_ = name == "asked" ? kAsked : name == "names" ? kNames : kOther;
        if (member_ == kAsked) {
            asked.clear();
        }
        if (member_ == kNames) {
            names.reset();
        }
        cut = cut || name == "cut";
    }

    void AnswerMember(const std::string& name) {
        member_ = name == "permission" ? kPermission : name == "held" ? kHeld : kOther;
        if (member_ == kPermission) {
            answerPermission_.reset();
        } else if (member_ == kHeld) {
            held_.reset();
        }
        answerCut_ = answerCut_ || name == "permissionCut";
    }

    // Directly in an object of the "asked" list.
    bool InAnswer() const { return answer_ && depth_ == 3; }
    bool Open() {
        ++depth_;
        return true;
    }
    bool Close() {
        --depth_;
        return Value();
    }
    // After a value, the member it belonged to is done with.
    bool Value() {
        if (depth_ <= 1) {
            text_ = nullptr;
        }
        return true;
    }
    // A value that is no text: a "names" list holding one is no list of names.
    bool NotText() {
        if (namesList_ && depth_ == 2) {
            names.reset();
        }
        return true;
    }

    std::size_t depth_ = 0;
    std::optional<std::string>* text_ = nullptr;
    Kind member_ = kOther;
    bool askedList_ = false;  // the "asked" list is open
    bool namesList_ = false;  // the "names" list is open
    bool answer_ = false;     // an object of that list is open
    std::optional<std::string> answerPermission_;
    std::optional<bool> held_;
    bool answerCut_ = false;
};

// A Steam id as the record writes it: decimal digits, nothing else.
std::optional<std::uint64_t> SteamIdOf(const std::string& text) {
    std::uint64_t id = 0;
    const char* end = text.data() + text.size();
    const auto [parsed, error] = std::from_chars(text.data(), end, id);
    if (text.empty() || error != std::errc() || parsed != end) {
        return std::nullopt;
    }
    return id;
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

std::string UtcText(std::chrono::sys_seconds time) {
    using namespace std::chrono;
    const auto day = floor<days>(time);
    const year_month_day date(day);
    const hh_mm_ss clock(time - day);
    return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}Z", static_cast<int>(date.year()),
                       static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                       clock.hours().count(), clock.minutes().count(), clock.seconds().count());
}

std::optional<AuditEntry> ParseAuditEntry(std::string_view line) {
    EntryReader record;
    if (!json::sax_parse(line.data(), line.data() + line.size(), &record)) {
        return std::nullopt;
    }
    AuditEntry entry;
    const auto parsed = record.time ? ParseUtcTime(*record.time) : std::nullopt;
    const std::optional<std::string>& steamId = record.steamId;
    if (!parsed || !steamId || !record.outcome || record.command.has_value() == record.action.has_value()) {
        return std::nullopt;
    }
    const auto id = SteamIdOf(*steamId);
    if (!id) {
        return std::nullopt;
    }
    entry.steamId = *id;
    if (record.forgiven) {
        entry.forgiven = SteamIdOf(*record.forgiven);
        if (!entry.forgiven) {
            return std::nullopt;  // a forgive line names whom it forgave
        }
    }
    entry.forgivenName = std::move(record.forgivenName);
    entry.time = *parsed;
    entry.outcome = std::move(*record.outcome);
    entry.command = record.command ? Velkor::Tools::Utf8Decode(*record.command) : WideString();
    entry.cut = record.cut;
    entry.action = record.action.value_or("");
    if (record.permission) {
        entry.permission = Velkor::Tools::Utf8Decode(*record.permission);
    }
    entry.asked = std::move(record.asked);
    entry.rule = record.rule.value_or("");
    if (record.names && !record.names->empty()) {
        entry.names = std::move(record.names);
    }
    entry.carries = std::move(record.carries);
    entry.server = std::move(record.server);
    entry.previousAuditLog = std::move(record.previousAuditLog);
    return entry;
}

std::string InnermostNameOf(const AuditEntry& entry, const std::set<std::string>& wrappers) {
    return entry.names ? entry.names->back() : InnermostName(entry.command, wrappers);
}

}  // namespace Corvane
