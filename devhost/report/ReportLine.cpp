#include "devhost/report/ReportLine.h"

#include <array>
#include <charconv>
#include <unordered_map>

#include <nlohmann/json.hpp>

#include "core/audit/AuditEntry.h"
#include "core/text/CommandText.h"
#include "host/Velkor.h"

namespace DevHost::Report {
namespace {

using nlohmann::json;

// The text members, by their place in kTextNames.
enum Text : std::size_t {
    kTime,
    kSteamId,
    kCharacter,
    kCommand,
    kAction,
    kOutcome,
    kPermission,
    kRule,
    kError,
    kReading,
    kServer,
    kCarries,
    kForgiven,
    kForgivenName,
    kAuditLog,
    kPreviousAuditLog,
    kFrom,
    kTo,
    kTextCount
};
constexpr std::array<const char*, kTextCount> kTextNames = {
    "time",       "steamId",      "character", "command",          "action", "outcome",
    "permission", "rule",         "error",     "reading",          "server", "carries",
    "forgiven",   "forgivenName", "auditLog",  "previousAuditLog", "from",   "to"};

// The members as the parser meets them, with no document built.
class LineReader {
public:
    using number_integer_t = json::number_integer_t;
    using number_unsigned_t = json::number_unsigned_t;
    using number_float_t = json::number_float_t;
    using string_t = json::string_t;
    using binary_t = json::binary_t;

    std::array<std::optional<std::string>, kTextCount> texts;
    std::optional<std::vector<std::string>> names;
    std::optional<std::vector<std::pair<std::string, std::uint64_t>>> omitted;
    std::uint64_t cut = 0;

    bool null() { return Value(); }
    bool boolean(bool /*value*/) { return Value(); }
    bool number_integer(number_integer_t /*value*/) { return Value(); }
    bool number_unsigned(number_unsigned_t value) {
        if (depth_ == 1 && member_ == kCut) {
            cut = value;
        } else if (depth_ == 2 && member_ == kOmitted && omitted) {
            omitted->emplace_back(std::move(key_), value);
        }
        return Value();
    }
    bool number_float(number_float_t /*value*/, const string_t& /*text*/) { return Value(); }
    bool binary(binary_t& /*value*/) { return Value(); }
    bool string(string_t& value) {
        if (depth_ == 1 && text_ != kTextCount) {
            texts[text_] = std::move(value);
        } else if (depth_ == 2 && member_ == kNames && names) {
            names->push_back(std::move(value));
        }
        return Value();
    }
    bool start_object(std::size_t /*elements*/) {
        if (depth_ == 1 && member_ == kOmitted) {
            omitted.emplace();
        }
        return Open();
    }
    bool end_object() { return Close(); }
    bool start_array(std::size_t /*elements*/) {
        if (depth_ == 1 && member_ == kNames) {
            names.emplace();
        }
        return Open();
    }
    bool end_array() { return Close(); }
    bool key(string_t& name) {
        if (depth_ == 1) {
            Member(name);
        } else if (depth_ == 2) {
            key_ = std::move(name);
        }
        return true;
    }
    bool parse_error(std::size_t /*position*/, const std::string& /*token*/,
                     const json::exception& /*error*/) {
        return false;
    }

private:
    enum Kind { kOther, kNames, kOmitted, kCut };

    // A member of the line starts: what it held before no longer counts.
    void Member(const std::string& name) {
        static const std::unordered_map<std::string_view, std::size_t> kTexts = [] {
            std::unordered_map<std::string_view, std::size_t> byName;
            for (std::size_t i = 0; i < kTextCount; ++i) {
                byName.emplace(kTextNames[i], i);
            }
            return byName;
        }();
        const auto text = kTexts.find(name);
        text_ = text == kTexts.end() ? kTextCount : text->second;
        if (text_ != kTextCount) {
            texts[text_].reset();
        }
        member_ = name == "names" ? kNames : name == "omitted" ? kOmitted : name == "cut" ? kCut : kOther;
        if (member_ == kNames) {
            names.reset();
        } else if (member_ == kOmitted) {
            omitted.reset();
        } else if (member_ == kCut) {
            cut = 0;
        }
    }
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
            text_ = kTextCount;
            if (depth_ == 1) {
                member_ = kOther;
            }
        }
        return true;
    }

    std::size_t depth_ = 0;
    std::size_t text_ = kTextCount;
    Kind member_ = kOther;
    std::string key_;
};

bool IsSteamId(const std::string& text) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [parsed, error] = std::from_chars(text.data(), end, value);
    return !text.empty() && error == std::errc() && parsed == end;
}

std::string Take(std::optional<std::string>& text) {
    return text ? std::move(*text) : std::string();
}

}  // namespace

std::optional<ReportLine> ParseReportLine(std::string_view text) {
    LineReader reader;
    if (!json::sax_parse(text.data(), text.data() + text.size(), &reader)) {
        return std::nullopt;
    }
    auto& texts = reader.texts;
    const auto time = texts[kTime] ? Corvane::ParseUtcTime(*texts[kTime]) : std::nullopt;
    if (!time || !texts[kSteamId] || !IsSteamId(*texts[kSteamId]) || !texts[kOutcome] ||
        texts[kCommand].has_value() == texts[kAction].has_value()) {
        return std::nullopt;
    }
    ReportLine line;
    line.time = *time;
    if (texts[kFrom]) {
        line.from = Corvane::ParseUtcTime(*texts[kFrom]);
    }
    if (texts[kTo]) {
        line.to = Corvane::ParseUtcTime(*texts[kTo]);
    }
    line.steamId = Take(texts[kSteamId]);
    line.character = Take(texts[kCharacter]);
    line.command = Take(texts[kCommand]);
    line.action = Take(texts[kAction]);
    line.outcome = Take(texts[kOutcome]);
    line.permission = Take(texts[kPermission]);
    line.rule = Take(texts[kRule]);
    line.error = Take(texts[kError]);
    line.reading = Take(texts[kReading]);
    line.server = Take(texts[kServer]);
    line.carries = Take(texts[kCarries]);
    line.forgiven = Take(texts[kForgiven]);
    line.forgivenName = Take(texts[kForgivenName]);
    line.auditLog = Take(texts[kAuditLog]);
    line.previousAuditLog = Take(texts[kPreviousAuditLog]);
    if (reader.names && !reader.names->empty()) {
        line.name = std::move(reader.names->back());
    } else if (line.action.empty()) {
        line.name = Corvane::ConsoleName(Velkor::Tools::Utf8Decode(line.command));
    }
    if (reader.omitted) {
        line.omitted = std::move(*reader.omitted);
    }
    line.cut = reader.cut;
    return line;
}

}  // namespace DevHost::Report
