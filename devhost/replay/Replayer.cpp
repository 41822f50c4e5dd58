#include "devhost/replay/Replayer.h"

#include <algorithm>
#include <stdexcept>

#include <fmt/xchar.h>

#include "core/audit/Outcomes.h"
#include "core/gate/Decision.h"
#include "core/history/UseRestore.h"
#include "core/text/CommandText.h"
#include "core/text/ExceptionText.h"
#include "core/text/FormatCheck.h"
#include "engine/WideText.h"

namespace DevHost {
namespace {

using Corvane::AuditEntry;
using Clock = Corvane::UseHistory::Clock;

using Corvane::kNoCooldown;
using Corvane::kNoLimit;

std::string Unanswered(const std::string& asked) {
    if (asked == kNoCooldown) {
        return "a cooldown would hold it back unless " + asked + " is held, which the record does not tell";
    }
    if (asked == kNoLimit) {
        return "its use limit would hold it back unless " + asked +
               " is held, which the record does not tell";
    }
    return "the record does not tell whether " + asked + " is held";
}

// A question the record holds no answer to: the decision can't be made.
class UnknownAnswer : public std::runtime_error {
public:
    explicit UnknownAnswer(std::string asked)
        : std::runtime_error(Unanswered(asked)), permission(std::move(asked)) {}

    std::string permission;
};

// The command's own permission is asked first, and a line turned away by it
// is refused: any outcome or question past it means it was held.
std::optional<bool> CommandPermissionHeld(const AuditEntry& entry) {
    if (entry.outcome == "granted" || Corvane::IsHeldBack(entry.outcome) || !entry.rule.empty() ||
        !entry.asked.empty()) {
        return true;
    }
    if (entry.outcome == "refused") {
        return false;
    }
    return std::nullopt;
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
std::string AnnounceWord(const Corvane::Decision& decision, const Corvane::Settings& settings) {
    switch (Corvane::AnnounceOf(decision, settings)) {
        case Corvane::Announce::All: return "all";
        case Corvane::Announce::Admins: return "admins";
        case Corvane::Announce::None: break;
    }
    return "none";
}

// Less than this of a wait left, and the record's times to the second can't
// tell whether it had ended: the use's second and the start of the wait are
// each known within a second.
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
    // Room after it for the longest window a configuration holds (10⁹ s)
    // and the second a replayed use counts from after its time.
    constexpr auto kLimit = std::chrono::duration_cast<std::chrono::seconds>(Clock::duration::max()) -
                            Corvane::kLongestCooldown - std::chrono::seconds(2);
    const auto since = time.time_since_epoch();
    if (since >= kLimit || since <= -kLimit) {
        return std::nullopt;
    }
    return Clock::time_point(std::chrono::duration_cast<Clock::duration>(since));
}

Replayer::Replayer(const Corvane::Settings& settings)
    : settings_(settings),
      failures_(FailuresAtUse(settings)),
      history_(Corvane::ReachOf(settings)),
      possible_(Corvane::ReachOf(settings)) {}

Replayed Replayer::Replay(const AuditEntry& entry, Clock::time_point now) {
    if (entry.outcome == "rejected") {
        return {"rejected", "the line rule reads the line alone, whatever the configuration", "", "",
                std::nullopt};
    }
    const std::string name = Corvane::InnermostNameOf(entry, settings_.wrappers);
    const Key key{entry.steamId, name};
    Clock::time_point at = now;
    if (const Clock::duration held = HeldFor(entry, name, now);
        held > Clock::duration::zero() && held < kUnclear && entry.outcome == "granted") {
        at += held;  // the record says it had ended
    }
    Replayed replayed = Decided(entry, at, name);
    if (replayed.outcome == "granted") {
        if (const auto until = mayHoldUntil_.find(key); until != mayHoldUntil_.end() && now < until->second) {
            // Decided again as if every use replay could not tell had been granted.
            Corvane::Outcome possible = Corvane::Outcome::Granted;
            try {
                possible = Decide(entry, at, possible_).outcome;
            } catch (const UnknownAnswer& unknown) {
                possible =
                    unknown.permission == kNoLimit ? Corvane::Outcome::Limit : Corvane::Outcome::Cooldown;
            }
            if (possible == Corvane::Outcome::Cooldown) {
                replayed = Unknown(
                    entry, now, name,
                    "an earlier use the record can't tell may have started the cooldown on " + name, "");
            } else if (possible == Corvane::Outcome::Limit) {
                replayed = Unknown(
                    entry, now, name,
                    "an earlier use the record can't tell may count toward the use limit on " + name, "");
            }
        } else if (Corvane::IsHeldBack(entry.outcome) &&
                   recordedGrants_[key] < UsesNeeded(entry.outcome, name)) {
            replayed =
                Unknown(entry, now, name,
                        entry.outcome == "cooldown"
                            ? "the cooldown that held it back started before the record"
                            : "the uses that held it back by its use limit may be from before the record",
                        "");
        }
    }
    if (replayed.outcome == "granted") {
        const Clock::time_point counts = *ReplayTime(Corvane::CountsFrom(entry.time));
        history_.Add(entry.steamId, name, counts);
        possible_.Add(entry.steamId, name, counts);
    }
    if (entry.outcome == "granted") {
        ++recordedGrants_[key];
    }
    return replayed;
}

void Replayer::Carried(std::uint64_t steamId, const std::string& name, std::chrono::sys_seconds time) {
    const Clock::time_point counts = *ReplayTime(Corvane::CountsFrom(time));
    history_.Add(steamId, name, counts);
    possible_.Add(steamId, name, counts);
    ++recordedGrants_[{steamId, name}];
}

void Replayer::Forgive(std::uint64_t steamId, const std::string& name) {
    history_.Forgive(steamId, name);
    possible_.Forgive(steamId, name);
    std::erase_if(mayHoldUntil_, [&](const auto& each) {
        return each.first.first == steamId && (name.empty() || each.first.second == name);
    });
    std::erase_if(recordedGrants_, [&](const auto& each) {
        return each.first.first == steamId && (name.empty() || each.first.second == name);
    });
}

Corvane::Decision Replayer::Decide(const AuditEntry& entry, Clock::time_point at,
                                   const Corvane::UseHistory& history) const {
    const Corvane::GateLine line{entry.command, Corvane::FirstWord(entry.command), true, entry.steamId, at};
    const WideString commandPermission = WIDE("Cheat.") + WideString(line.permissionWord);
    const Corvane::AskPermission ask = [&](WideStringView permission) {
        return RecordedAnswer(entry, commandPermission, permission);
    };
    return Corvane::Decide({line, settings_, history, ask});
}

Clock::duration Replayer::HeldFor(const AuditEntry& entry, const std::string& name,
                                  Clock::time_point now) const {
    const Corvane::CommandSettings* command = settings_.SettingsFor(name);
    if (command == nullptr) {
        return Clock::duration::zero();
    }
    const auto uses = history_.Uses(entry.steamId, name);
    Clock::duration held = Corvane::CooldownLeft(uses, command->cooldown, now);
    if (command->maxUses) {
        held =
            std::max(held, Corvane::AskLimit(uses, command->maxUses->count, command->maxUses->per, now).left);
    }
    return held;
}

Replayed Replayer::Decided(const AuditEntry& entry, Clock::time_point at, const std::string& name) {
    Corvane::Decision decision;
    try {
        decision = Decide(entry, at, history_);
    } catch (const UnknownAnswer& unknown) {
        return Unknown(entry, at, name, unknown.what(), unknown.permission);
    }
    if (entry.cut) {
        if (auto why = ReadsPastTheRecord(entry.command, decision)) {
            return Unknown(entry, at, name, std::move(*why), "");
        }
    }
    Replayed replayed{std::string(Corvane::OutcomeName(decision.outcome)), std::move(decision.reason),
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
        replayed.announce = AnnounceWord(decision, settings_);
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
    if (const Corvane::CommandSettings* command = settings_.SettingsFor(name)) {
        Clock::duration window = command->cooldown;
        if (command->maxUses) {
            window = std::max(window, command->maxUses->per);
        }
        if (window > Clock::duration::zero()) {
            const Clock::time_point counts = *ReplayTime(Corvane::CountsFrom(entry.time));
            possible_.Add(entry.steamId, name, counts);
            Clock::time_point& until = mayHoldUntil_[{entry.steamId, name}];
            until = std::max(until, std::max(now, counts) + window);
        }
    }
    return {kUnknown, std::move(reason), "", std::move(permission), std::nullopt};
}

std::size_t Replayer::UsesNeeded(const std::string& recordedOutcome, const std::string& name) const {
    const Corvane::CommandSettings* command = settings_.SettingsFor(name);
    if (recordedOutcome == "limit" && command != nullptr && command->maxUses) {
        return command->maxUses->count;
    }
    return 1;
}

}  // namespace DevHost
