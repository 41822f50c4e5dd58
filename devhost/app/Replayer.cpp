#include "devhost/app/Replayer.h"

#include <stdexcept>

#include "core/CommandText.h"
#include "core/Decision.h"
#include "engine/WideText.h"

namespace DevHost {
namespace {

using Corvane::AuditEntry;
using Clock = Corvane::Cooldowns::Clock;

// Asked only while a cooldown runs: unknown when the player was not held back then.
constexpr std::string_view kNoCooldown = "Corvane.NoCooldown";

// A question the record holds no answer to: the decision can't be made.
class UnknownAnswer : public std::runtime_error {
public:
    explicit UnknownAnswer(std::string asked)
        : std::runtime_error(asked == kNoCooldown ? "a cooldown would hold it back unless " + asked +
                                                        " is held, which the record does not tell"
                                                  : "the record does not tell whether " + asked + " is held"),
          permission(std::move(asked)) {}

    std::string permission;
};

// The command's own permission is asked first, and a line turned away by it
// is refused: any outcome or question past it means it was held.
std::optional<bool> CommandPermissionHeld(const AuditEntry& entry) {
    if (entry.outcome == "granted" || entry.outcome == "cooldown" || !entry.rule.empty() ||
        !entry.asked.empty()) {
        return true;
    }
    if (entry.outcome == "refused") {
        return false;
    }
    return std::nullopt;
}

bool RecordedAnswer(const AuditEntry& entry, WideStringView permission) {
    for (const Corvane::PermissionAnswer& answer : entry.asked) {
        if (answer.permission == permission) {
            return answer.held;
        }
    }
    if (entry.permission && *entry.permission == permission) {
        if (const auto held = CommandPermissionHeld(entry)) {
            return *held;
        }
    }
    throw UnknownAnswer(Corvane::Engine::ToUtf8(permission));
}

std::optional<std::string> AnnounceWord(const Corvane::Settings& settings,
                                        const std::optional<Corvane::Announce>& announce) {
    if (!announce && settings.printToChat.Fails()) {
        return std::nullopt;
    }
    switch (
        announce.value_or(settings.printToChat.Get() ? Corvane::Announce::All : Corvane::Announce::None)) {
        case Corvane::Announce::All: return "all";
        case Corvane::Announce::Admins: return "admins";
        case Corvane::Announce::None: return "none";
    }
    return std::nullopt;
}

}  // namespace

std::optional<Clock::time_point> ReplayTime(std::chrono::sys_seconds time) {
    constexpr auto kLimit = std::chrono::duration_cast<std::chrono::seconds>(Clock::duration::max());
    const auto since = time.time_since_epoch();
    if (since >= kLimit || since <= -kLimit) {
        return std::nullopt;
    }
    return Clock::time_point(std::chrono::duration_cast<Clock::duration>(since));
}

bool IsDecisionOutcome(const std::string& outcome) {
    for (const char* name : {"granted", "refused", "rejected", "denied", "cooldown", "failed"}) {
        if (outcome == name) {
            return true;
        }
    }
    return false;
}

Replayed Replayer::Replay(const AuditEntry& entry, Clock::time_point now) {
    if (entry.cut) {
        return {kUnknown, "the record holds only the start of the command", "", "", std::nullopt};
    }
    const Corvane::GateLine line{entry.command, Corvane::FirstWord(entry.command), true, entry.steamId, now};
    Corvane::Decision decision;
    try {
        decision = Corvane::Decide(line, settings_, cooldowns_, [&entry](WideStringView permission) {
            return RecordedAnswer(entry, permission);
        });
    } catch (const UnknownAnswer& unknown) {
        return {kUnknown, unknown.what(), "", unknown.permission, std::nullopt};
    }
    Replayed replayed{Corvane::OutcomeName(decision.outcome), std::move(decision.reason),
                      std::move(decision.rule), "", std::nullopt};
    const bool through =
        decision.outcome == Corvane::Outcome::Granted || decision.outcome == Corvane::Outcome::NoPrefix;
    if (through && entry.outcome == "failed") {
        // What failed was the server's, not the configuration's.
        replayed.outcome = "failed";
    } else if (decision.outcome == Corvane::Outcome::Granted) {
        if (decision.settings != nullptr && decision.settings->cooldown > Clock::duration::zero()) {
            cooldowns_.Start(entry.steamId, decision.name, decision.settings->cooldown, now);
        }
        replayed.announce = AnnounceWord(settings_, decision.announce);
    }
    return replayed;
}

}  // namespace DevHost
