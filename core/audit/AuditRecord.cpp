#include "core/audit/AuditRecord.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <numeric>
#include <string_view>
#include <vector>

#include "core/audit/AuditEntry.h"
#include "core/audit/JsonText.h"
#include "core/text/CommandText.h"
#include "engine/WideText.h"

namespace Corvane {
namespace {

constexpr std::size_t kCommandLimit = 1000;
// On a turn-away, each text a player supplies beside the command.
constexpr std::size_t kPlayerTextLimit = 100;

struct Member {
    enum class Kind {
        Text,   // "name":"<text>", and its cut count when cut
        Asked,  // an element of "asked": {"permission":"<text>","held":<held>}
        Raw,    // "name":<raw>, JSON of our own, never cut
    };

    Member(std::string_view memberName, WideString memberText, std::size_t cut = 0)
        : name(memberName), text(std::move(memberText)), cutBefore(cut) {}
    static Member Answer(const PermissionAnswer& answer, std::size_t limit) {
        Member member = Cut("permission", answer.permission, limit);
        member.kind = Kind::Asked;
        member.held = answer.held;
        return member;
    }
    static Member Json(std::string_view name, std::string raw) {
        Member member(name, {});
        member.kind = Kind::Raw;
        member.raw = std::move(raw);
        return member;
    }
    // At most limit characters of text.
    static Member Cut(std::string_view name, WideStringView text, std::size_t limit) {
        const std::size_t kept = CutPoint(text, limit);
        return {name, WideString(text.substr(0, kept)), text.size() - kept};
    }

    std::string_view name;
    WideString text;
    // Characters the member's own rule left out before the line's bound.
    std::size_t cutBefore = 0;
    Kind kind = Kind::Text;
    bool held = false;
    std::string raw;
};

// What a member writes beside its text: ,"name":"" or ,{"permission":"","held":false}.
std::size_t Overhead(const Member& member) {
    switch (member.kind) {
        case Member::Kind::Text: return member.name.size() + 6;
        case Member::Kind::Asked: return 32;
        case Member::Kind::Raw: return member.name.size() + 4 + member.raw.size();
    }
    return 0;
}

WideString Ascii(std::string_view text) {
    return WideString(text.begin(), text.end());
}

std::string CutName(std::string_view member) {
    return member == "command" ? "cut" : std::string(member) + "Cut";
}

constexpr std::string_view kAsked = R"(,"asked":[])";
constexpr std::size_t kAskedCutSize = std::string_view(R"(,"askedCut":)").size() + 20;

// The bytes of ,"<cut name>":<count>.
std::size_t CutCountSize(const Member& member, std::size_t count) {
    return member.kind == Member::Kind::Raw
               ? 0
               : CutName(member.name).size() + 4 + fmt::formatted_size("{}", count);
}

// The questions a line records, thinned when there are too many for the
// line's bound whatever their texts: the first and the last (the one that
// decided) are kept.
std::vector<PermissionAnswer> Thinned(const std::vector<PermissionAnswer>& asked, std::size_t most) {
    if (asked.size() <= most) {
        return asked;
    }
    std::vector<PermissionAnswer> kept(asked.begin(), asked.begin() + static_cast<std::ptrdiff_t>(most) - 1);
    kept.push_back(asked.back());
    return kept;
}

class Line {
public:
    Line(const AuditRecord& record, std::string_view server)
        : record_(record),
          server_(server),
          turnedAway_(IsTurnAway(record.outcome)),
          limit_(turnedAway_ ? kTurnAwayLineLimit : kAuditLineLimit),
          mostAsked_(turnedAway_ ? 16 : 64) {}

    std::string Text() {
        AddMembers();
        Fit();
        return Render();
    }

private:
    // Of a text a player supplies, what a turn-away keeps.
    Member Supplied(std::string_view name, WideStringView text) const {
        return Member::Cut(name, text, turnedAway_ ? kPlayerTextLimit : text.size());
    }

    void AddMembers() {
        const AuditRecord& record = record_;
        // Room for a granted line's members, so that a cluster's server
        // member costs no second growth of the vector.
        members_.reserve(16);
        members_.push_back(
            {"time",
             Ascii(UtcText(std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now())))});
        if (!server_.empty()) {
            // Never cut: the companion copies a line by the server it names.
            members_.push_back(Member::Json("server", "\"" + std::string(server_) + "\""));
        }
        members_.push_back({"steamId", Ascii(std::to_string(record.steamId))});
        members_.push_back(Supplied("character", Engine::FromUtf8(record.character)));
        if (!record.action.empty()) {
            members_.push_back({"action", Engine::FromUtf8(record.action)});
            if (record.forgiven) {
                members_.push_back({"forgiven", Ascii(std::to_string(*record.forgiven))});
            }
            if (record.forgivenName) {
                members_.push_back(Supplied("forgivenName", Engine::FromUtf8(*record.forgivenName)));
            }
        } else {
            const bool ran = record.outcome == "granted";
            members_.push_back(
                Member::Cut("command", record.command, ran ? record.command.size() : kCommandLimit));
        }
        if (record.names) {
            const NamesJson names = NamesArray(*record.names);
            members_.push_back(Member::Json("names", names.array));
            if (names.cut > 0) {
                members_.push_back(Member::Json("namesCut", std::to_string(names.cut)));
            }
        }
        if (record.permission) {
            members_.push_back(Supplied("permission", *record.permission));
        }
        for (const PermissionAnswer& answer : Thinned(record.asked, mostAsked_)) {
            members_.push_back(
                Member::Answer(answer, turnedAway_ ? kPlayerTextLimit : answer.permission.size()));
        }
        members_.push_back({"outcome", Engine::FromUtf8(record.outcome)});
        if (record.outcome == "failed") {
            members_.push_back({"error", Engine::FromUtf8(record.error)});
        }
        if (!record.rule.empty()) {
            members_.push_back({"rule", Engine::FromUtf8(record.rule)});
        }
        if (!record.reading.empty()) {
            members_.push_back({"reading", Engine::FromUtf8(record.reading)});
        }
        for (const auto& [name, path] : {std::pair{"auditLog", &record.auditLog},
                                         std::pair{"previousAuditLog", &record.previousAuditLog}}) {
            if (*path) {
                members_.push_back({name, Engine::FromUtf8(**path)});
            }
        }
    }

    bool AnyAsked() const {
        return std::any_of(members_.begin(), members_.end(),
                           [](const Member& member) { return member.kind == Member::Kind::Asked; });
    }

    // Each member's text as written. When the whole line would pass the
    // bound, the bytes left beside the names and the cut counts are shared
    // out: a member shorter than an equal share of what is left keeps all of
    // it, and the longer ones split the rest equally.
    void Fit() {
        // {, } and the line break; each member adds "name":"" and a comma
        // (the first has none).
        std::size_t fixed = 3 - 1;
        std::size_t needed = 0;
        bool whole = true;
        if (AnyAsked()) {
            // Its first element has no comma before it; room for "askedCut" too.
            fixed += kAsked.size() - 1 + kAskedCutSize;
        }
        for (const Member& member : members_) {
            escaped_.push_back(EscapeWithin(member.text, limit_));
            fixed += Overhead(member);
            needed += escaped_.back().json.size() +
                      (member.cutBefore > 0 ? CutCountSize(member, member.cutBefore) : 0);
            whole = whole && escaped_.back().taken == member.text.size();
        }
        if (whole && fixed + needed <= limit_) {
            return;
        }
        // What is left for the texts, the cut counts kept aside; none when
        // even the names take it all (the asked questions are thinned before that).
        std::size_t reserved = fixed;
        for (const Member& member : members_) {
            reserved += CutCountSize(member, member.cutBefore + member.text.size());
        }
        std::size_t left = reserved < limit_ ? limit_ - reserved : 0;
        const auto size = [&](std::size_t i) {
            return escaped_[i].taken == members_[i].text.size() ? escaped_[i].json.size() : limit_ + 1;
        };
        std::vector<std::size_t> order(members_.size());
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(),
                  [&](std::size_t a, std::size_t b) { return size(a) < size(b); });
        for (std::size_t k = 0; k < order.size(); ++k) {
            const std::size_t i = order[k];
            const std::size_t share = left / (order.size() - k);
            if (size(i) > share) {
                escaped_[i] = EscapeWithin(members_[i].text, share);
            }
            left -= std::min(left, escaped_[i].json.size());
        }
    }

    std::string Render() const {
        std::string line = "{";
        for (std::size_t i = 0; i < members_.size(); ++i) {
            const Member& member = members_[i];
            const bool asked = member.kind == Member::Kind::Asked;
            const bool firstAsked = asked && (i == 0 || members_[i - 1].kind != Member::Kind::Asked);
            if (firstAsked) {
                line += kAsked.substr(0, kAsked.size() - 1);
            }
            line += i == 0 || firstAsked ? "" : ",";
            if (member.kind == Member::Kind::Raw) {
                fmt::format_to(std::back_inserter(line), R"("{}":{})", member.name, member.raw);
                continue;
            }
            fmt::format_to(std::back_inserter(line), R"({}"{}":"{}")", asked ? "{" : "", member.name,
                           escaped_[i].json);
            if (const std::size_t cut = member.cutBefore + member.text.size() - escaped_[i].taken; cut > 0) {
                fmt::format_to(std::back_inserter(line), R"(,"{}":{})", CutName(member.name), cut);
            }
            if (asked) {
                fmt::format_to(std::back_inserter(line), R"(,"held":{}}})", member.held);
                if (i + 1 == members_.size() || members_[i + 1].kind != Member::Kind::Asked) {
                    line += ']';
                    if (record_.asked.size() > mostAsked_) {
                        fmt::format_to(std::back_inserter(line), R"(,"askedCut":{})",
                                       record_.asked.size() - mostAsked_);
                    }
                }
            }
        }
        line += '}';
        return line;
    }

    const AuditRecord& record_;
    const std::string_view server_;
    const bool turnedAway_;
    const std::size_t limit_;
    const std::size_t mostAsked_;
    std::vector<Member> members_;
    std::vector<EscapedText> escaped_;
};

}  // namespace

std::string AuditLine(const AuditRecord& record, std::string_view server) {
    return Line(record, server).Text();
}

}  // namespace Corvane
