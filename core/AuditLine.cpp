#include "core/AuditLine.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <numeric>
#include <optional>
#include <string_view>
#include <vector>

#include "core/AuditEntry.h"
#include "core/CommandText.h"
#include "engine/WideText.h"

namespace Corvane {
namespace {

constexpr std::size_t kCommandLimit = 1000;

struct Member {
    Member(std::string_view memberName, WideString memberText, std::size_t cut = 0,
           std::optional<bool> answer = {})
        : name(memberName), text(std::move(memberText)), cutBefore(cut), held(answer) {}

    std::string_view name;
    WideString text;
    // Characters the member's own rule left out before the line's bound.
    std::size_t cutBefore = 0;
    // An element of the "asked" array: {"permission":"<text>","held":<held>}.
    std::optional<bool> held;
};

// What a member writes beside its text: ,"name":"" or ,{"permission":"","held":false}.
std::size_t Overhead(const Member& member) {
    return member.held ? 32 : member.name.size() + 6;
}

// The escaped characters of a text from its start, and the code units they took.
struct Escaped {
    std::string json;
    std::size_t taken = 0;
};

WideString Ascii(std::string_view text) {
    return WideString(text.begin(), text.end());
}

void AppendEscaped(std::string& out, char32_t c) {
    switch (c) {
        case '"': out += "\\\""; return;
        case '\\': out += "\\\\"; return;
        case '\b': out += "\\b"; return;
        case '\f': out += "\\f"; return;
        case '\n': out += "\\n"; return;
        case '\r': out += "\\r"; return;
        case '\t': out += "\\t"; return;
        default: break;
    }
    if (c < 0x20 || c == 0x7F || Engine::ShownAsEscape(c)) {
        Engine::AppendUnicodeEscape(out, c);
    } else {
        Engine::AppendUtf8(out, c);
    }
}

// As many whole characters of text as fit, escaped, in budget bytes.
Escaped EscapeWithin(WideStringView text, std::size_t budget) {
    Escaped escaped;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t before = escaped.json.size();
        AppendEscaped(escaped.json, Engine::NextCharacter(text, i));
        if (escaped.json.size() > budget) {
            escaped.json.resize(before);
            break;
        }
        escaped.taken = i;
    }
    return escaped;
}

std::string CutName(std::string_view member) {
    return member == "command" ? "cut" : std::string(member) + "Cut";
}

constexpr std::string_view kAsked = R"(,"asked":[])";
constexpr std::size_t kAskedCutSize = std::string_view(R"(,"askedCut":)").size() + 20;

// The bytes of ,"<cut name>":<count>.
std::size_t CutCountSize(const Member& member, std::size_t count) {
    return CutName(member.name).size() + 4 + fmt::formatted_size("{}", count);
}

// The questions a line records, thinned when there are too many for the
// line's bound whatever their texts: the first and the last (the one that
// decided) are kept, and the count of those left out is written "askedCut".
constexpr std::size_t kMostAsked = 64;

std::vector<PermissionAnswer> Thinned(const std::vector<PermissionAnswer>& asked) {
    if (asked.size() <= kMostAsked) {
        return asked;
    }
    std::vector<PermissionAnswer> kept(asked.begin(), asked.begin() + kMostAsked - 1);
    kept.push_back(asked.back());
    return kept;
}

std::vector<Member> MembersOf(const AuditRecord& record) {
    std::vector<Member> members;
    members.push_back(
        {"time", Ascii(UtcText(std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now())))});
    members.push_back({"steamId", Ascii(std::to_string(record.steamId))});
    members.push_back({"character", Engine::FromUtf8(record.character)});
    if (!record.action.empty()) {
        members.push_back({"action", Engine::FromUtf8(record.action)});
    } else {
        const WideStringView command = record.command;
        const bool ran = record.outcome == "granted";
        const std::size_t kept = ran ? command.size() : CutPoint(command, kCommandLimit);
        members.push_back({"command", WideString(command.substr(0, kept)), command.size() - kept});
    }
    if (record.permission) {
        members.push_back({"permission", *record.permission});
    }
    for (const PermissionAnswer& answer : Thinned(record.asked)) {
        members.push_back({"permission", answer.permission, 0, answer.held});
    }
    members.push_back({"outcome", Engine::FromUtf8(record.outcome)});
    if (record.outcome == "failed") {
        members.push_back({"error", Engine::FromUtf8(record.error)});
    }
    if (!record.rule.empty()) {
        members.push_back({"rule", Engine::FromUtf8(record.rule)});
    }
    if (!record.reading.empty()) {
        members.push_back({"reading", Engine::FromUtf8(record.reading)});
    }
    return members;
}

// Each member's text as written. When the whole line would pass the bound,
// the bytes left beside the names and the cut counts are shared out: a member
// shorter than an equal share of what is left keeps all of it, and the
// longer ones split the rest equally.
std::vector<Escaped> Fit(const std::vector<Member>& members) {
    // {, } and the line break; each member adds "name":"" and a comma (the
    // first has none).
    std::size_t fixed = 3 - 1;
    std::size_t needed = 0;
    bool whole = true;
    std::vector<Escaped> escaped;
    if (std::any_of(members.begin(), members.end(), [](const Member& member) { return member.held; })) {
        // Its first element has no comma before it; room for "askedCut" too.
        fixed += kAsked.size() - 1 + kAskedCutSize;
    }
    for (const Member& member : members) {
        escaped.push_back(EscapeWithin(member.text, kAuditLineLimit));
        fixed += Overhead(member);
        needed +=
            escaped.back().json.size() + (member.cutBefore > 0 ? CutCountSize(member, member.cutBefore) : 0);
        whole = whole && escaped.back().taken == member.text.size();
    }
    if (whole && fixed + needed <= kAuditLineLimit) {
        return escaped;
    }
    // What is left for the texts, the cut counts kept aside; none when even
    // the names take it all (the asked questions are thinned before that).
    std::size_t reserved = fixed;
    for (const Member& member : members) {
        reserved += CutCountSize(member, member.cutBefore + member.text.size());
    }
    std::size_t left = reserved < kAuditLineLimit ? kAuditLineLimit - reserved : 0;
    const auto size = [&](std::size_t i) {
        return escaped[i].taken == members[i].text.size() ? escaped[i].json.size() : kAuditLineLimit + 1;
    };
    std::vector<std::size_t> order(members.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return size(a) < size(b); });
    for (std::size_t k = 0; k < order.size(); ++k) {
        const std::size_t i = order[k];
        const std::size_t share = left / (order.size() - k);
        if (size(i) > share) {
            escaped[i] = EscapeWithin(members[i].text, share);
        }
        left -= std::min(left, escaped[i].json.size());
    }
    return escaped;
}

}  // namespace

std::string AuditLine(const AuditRecord& record) {
    const std::vector<Member> members = MembersOf(record);
    const std::vector<Escaped> escaped = Fit(members);
    std::string line = "{";
    for (std::size_t i = 0; i < members.size(); ++i) {
        const Member& member = members[i];
        const bool first = !member.held || i == 0 || !members[i - 1].held;
        if (member.held && first) {
            line += kAsked.substr(0, kAsked.size() - 1);
        }
        fmt::format_to(std::back_inserter(line), R"({}{}"{}":"{}")",
                       i == 0 || (member.held && first) ? "" : ",", member.held ? "{" : "", member.name,
                       escaped[i].json);
        if (const std::size_t cut = member.cutBefore + member.text.size() - escaped[i].taken; cut > 0) {
            fmt::format_to(std::back_inserter(line), R"(,"{}":{})", CutName(member.name), cut);
        }
        if (member.held) {
            fmt::format_to(std::back_inserter(line), R"(,"held":{}}})", *member.held);
            if (i + 1 == members.size() || !members[i + 1].held) {
                line += ']';
                if (record.asked.size() > kMostAsked) {
                    fmt::format_to(std::back_inserter(line), R"(,"askedCut":{})",
                                   record.asked.size() - kMostAsked);
                }
            }
        }
    }
    line += '}';
    return line;
}

}  // namespace Corvane
