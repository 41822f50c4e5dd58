#include "devhost/replay/Replayer.h"

#include <algorithm>
#include <stdexcept>

#include <fmt/xchar.h>

#include "core/gate/Decision.h"
#include "core/text/CommandText.h"
#include "core/text/ExceptionText.h"
#include "core/text/FormatCheck.h"
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

bool HoldsNoCooldown(const AuditEntry& entry) {
    return std::any_of(entry.asked.begin(), entry.asked.end(), [](const Corvane::PermissionAnswer& answer) {
        return answer.held && Corvane::Engine::ToUtf8(answer.permission) == kNoCooldown;
    });
}

// The command's own permission is Cheat. and the first word under any
// configuration: its recorded answer stands even where the record holds only
// the start of its text ("permissionCut", or the command's "cut").
bool RecordedAnswer(const AuditEntry& entry, WideStringView commandPermission, WideStringView permission) {
    for (const Corvane::PermissionAnswer& answer : entry.asked) {
        if (answer.permission == permission) {
            return answer.held;
        }
    }
    if (permission == commandPermission) {
        if (const auto held = CommandPermissionHeld(entry)) {
            return *held;
        }
    }
    throw UnknownAnswer(Corvane::Engine::ToUtf8(permission));
}

// Of a granted use, whose PrintToChat, when it decides, could be read.
std::string AnnounceWord(const Corvane::Settings& settings,
                         const std::optional<Corvane::Announce>& announce) {
    const Corvane::Announce mode = announce                     ? *announce
                                   : settings.printToChat.Get() ? Corvane::Announce::All
                                                                : Corvane::Announce::None;
    switch (mode) {
        case Corvane::Announce::All: return "all";
        case Corvane::Announce::Admins: return "admins";
        case Corvane::Announce::None: break;
    }
    return "none";
}

// Less than this of a cooldown left, and the record's times to the second
// can't tell whether it had ended: the use's second and the cooldown's start
// are each known within a second.
constexpr Clock::duration kUnclear = std::chrono::seconds(2);

}  // namespace

// The formatting library's verdict on LogMsg depends on the format alone, not
// on the texts it is given: it is tried once, with wide fields tamed.
Replayer::UseFailures Replayer::FailuresAtUse(const Corvane::Settings& settings) {
    UseFailures failures;
    const auto& logMsg = settings.messages.logMsg;
    try {
        // As the gate takes it: up to its first NUL.
        const WideStringView none;
        Corvane::TrialFormat(logMsg.Get().c_str(), none, none, none);
    } catch (...) {
        failures.logMsg = logMsg.Member() + ": " + Corvane::CurrentExceptionText();
    }
    try {
        settings.printToChat.Get();
    } catch (...) {
        failures.printToChat = settings.printToChat.Member() + ": " + Corvane::CurrentExceptionText();
    }
    return failures;
}

std::optional<Clock::time_point> ReplayTime(std::chrono::sys_seconds time) {
    // Room after it for the longest cooldown a configuration holds (10⁹ s)
    // and the second a replayed cooldown starts after its use.
    constexpr auto kLimit = std::chrono::duration_cast<std::chrono::seconds>(Clock::duration::max()) -
                            Corvane::kLongestCooldown - std::chrono::seconds(2);
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
    if (entry.outcome == "rejected") {
        return {"rejected", "the line rule reads the line alone, whatever the configuration", "", "",
                std::nullopt};
    }
    const std::string name = Corvane::InnermostNameOf(entry, settings_.wrappers);
    const Key key{entry.steamId, name};
    const Clock::duration length = CooldownOf(name);
    Replayed replayed = Decided(entry, now, name);
    if (replayed.outcome == "granted") {
        if (const auto until = mayHoldUntil_.find(key);
            until != mayHoldUntil_.end() && now < until->second && !HoldsNoCooldown(entry)) {
            replayed =
                Unknown(entry, now, name,
                        "an earlier use the record can't tell may have started the cooldown on " + name, "");
        } else if (entry.outcome == "cooldown" && !recordedGrant_.contains(key) &&
                   length > Clock::duration::zero()) {
            replayed =
                Unknown(entry, now, name, "the cooldown that held it back started before the record", "");
        }
    }
    if (replayed.outcome == "granted" && length > Clock::duration::zero()) {
        cooldowns_.Start(entry.steamId, name, length, now + std::chrono::seconds(1));
    }
    if (entry.outcome == "granted") {
        recordedGrant_.insert(key);
    }
    return replayed;
}

void Replayer::Carried(std::uint64_t steamId, const std::string& name, Clock::time_point at) {
    const Clock::time_point start = at + std::chrono::seconds(1);
    const Clock::duration length = CooldownOf(name);
    // A later use the record read first may already hold the player back for longer.
    if (length > cooldowns_.Remaining(steamId, name, start)) {
        cooldowns_.Start(steamId, name, length, start);
    }
    recordedGrant_.insert({steamId, name});
}

Replayed Replayer::Decided(const AuditEntry& entry, Clock::time_point now, const std::string& name) {
    const Clock::duration left = cooldowns_.Remaining(entry.steamId, name, now);
    Clock::time_point at = now;
    if (left > Clock::duration::zero() && left < kUnclear && entry.outcome == "granted") {
        at += left;  // the record says it had ended
    }
    const Corvane::GateLine line{entry.command, Corvane::FirstWord(entry.command), true, entry.steamId, at};
    const WideString commandPermission = WIDE("Cheat.") + WideString(line.permissionWord);
    Corvane::Decision decision;
    try {
        decision = Corvane::Decide(line, settings_, cooldowns_, [&](WideStringView permission) {
            return RecordedAnswer(entry, commandPermission, permission);
        });
    } catch (const UnknownAnswer& unknown) {
        return Unknown(entry, now, name, unknown.what(), unknown.permission);
    }
    if (entry.cut) {
        if (auto why = ReadsPastTheRecord(entry.command, decision)) {
            return Unknown(entry, now, name, std::move(*why), "");
        }
    }
    Replayed replayed{Corvane::OutcomeName(decision.outcome), std::move(decision.reason),
                      std::move(decision.rule), "", std::nullopt};
    if (decision.outcome != Corvane::Outcome::Granted) {
        return replayed;
    }
    if (entry.outcome == "failed") {
        // What failed was the server's, not the configuration's.
        replayed.outcome = "failed";
    } else {
        // Before anything runs, the gate reads LogMsg, then PrintToChat unless the command's entry decides.
        if (const auto& failure = failures_.logMsg    ? failures_.logMsg
                                  : decision.announce ? std::nullopt
                                                      : failures_.printToChat) {
            return {"failed", *failure, "", "", std::nullopt};
        }
        replayed.announce = AnnounceWord(settings_, decision.announce);
    }
    return replayed;
}

// The decision reads the names through the wrappers up to the innermost
// one's end, and, once the permission is held, that name's settings and
// cooldown, and the arguments its rules check.
std::optional<std::string> Replayer::ReadsPastTheRecord(WideStringView held,
                                                        const Corvane::Decision& decision) const {
    const std::string name = Corvane::InnermostName(held, settings_.wrappers);
    const bool pastPermission = !decision.asked.empty() && decision.asked.front().held;
    // One more letter would lengthen the name: the record may not hold all of it.
    if (Corvane::InnermostName(WideString(held) + WIDE("x"), settings_.wrappers) != name) {
        const auto startsIt = [&name](const std::string& configured) { return configured.starts_with(name); };
        if (pastPermission || std::any_of(settings_.deny.begin(), settings_.deny.end(), startsIt) ||
            std::any_of(settings_.wrappers.begin(), settings_.wrappers.end(), startsIt)) {
            return "the record holds only the start of the name " +
                   (name.empty() ? "" : "\"" + name + "\" ") + "the command runs";
        }
        return std::nullopt;
    }
    const Corvane::CommandSettings* command = settings_.SettingsFor(name);
    if (pastPermission && command != nullptr && command->rules.Any()) {
        return "the record holds only the start of the arguments the rules on " + name + " read";
    }
    return std::nullopt;
}

Replayed Replayer::Unknown(const AuditEntry& entry, Clock::time_point now, const std::string& name,
                           std::string reason, std::string permission) {
    if (const Clock::duration length = CooldownOf(name); length > Clock::duration::zero()) {
        Clock::time_point& until = mayHoldUntil_[{entry.steamId, name}];
        until = std::max(until, now + std::chrono::seconds(1) + length);
    }
    return {kUnknown, std::move(reason), "", std::move(permission), std::nullopt};
}

Clock::duration Replayer::CooldownOf(const std::string& name) const {
    const Corvane::CommandSettings* settings = settings_.SettingsFor(name);
    return settings == nullptr ? Clock::duration::zero() : settings->cooldown;
}

}  // namespace DevHost
