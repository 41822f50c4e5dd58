// What the gate decides about one /cheat line, apart from its effects.
//
// Decide() reads its inputs (the line with the player's Steam id, the
// settings, the history of granted uses and the permissions plugin's
// answers), and returns the decision. It touches no engine, file or chat.
// The gate applies it (CheatGate.h), /corvane check describes it, and the
// tests read it directly, so they can't disagree. Its steps, in order, the
// first that turns the line away deciding, are those of the README's "What
// happens to a /cheat line", and so is the order of the questions the
// controls that remember ask;
// a line routed without the "/cheat " prefix is granted but runs nothing
// (Outcome::NoPrefix).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/audit/PermissionAnswer.h"
#include "core/history/UseHistory.h"
#include "core/settings/Settings.h"
#include "host/WideChar.h"

namespace Corvane {

// The permissions that lift a control that remembers; each is asked only when
// its control would hold the player back.
inline constexpr std::string_view kNoCooldown = "Corvane.NoCooldown";
inline constexpr std::string_view kNoLimit = "Corvane.NoLimit";

enum class Outcome {
    Rejected,  // more than one printable line: the console could run something else
    Denied,    // on the deny list
    Refused,   // the permission is not held
    NoPrefix,  // granted, but the line does not start with "/cheat ": nothing to run
    Cooldown,  // a cooldown holds the player back
    Limit,     // the use limit holds the player back
    Granted,
};

// The private reply the player gets.
enum class Reply { None, Refusal, Denial, Cooldown, Limit };

// Asks the permissions plugin about the player; its errors pass through Decide.
using AskPermission = std::function<bool(WideStringView permission)>;

// One chat line as the gate reads it.
struct GateLine {
    // Everything after the prefix's seven characters, up to the string's Count.
    WideStringView command;
    // The second blank-separated word of the line, as typed: the permission's.
    WideStringView permissionWord;
    // The line starts with "/cheat ", ASCII case ignored.
    bool hasPrefix = true;
    std::uint64_t steamId = 0;
    UseHistory::Clock::time_point now;
    // Every argument rule is answered, not only those up to the first that
    // fails (/corvane check); a rule that failed still asks nothing.
    bool everyRule = false;
};

// One argument rule's answer, in the order of the rules.
struct RuleAnswer {
    // The JSON pointer of what failed; empty when the rule passed.
    std::string rule;
    // "argument 1 (12)" when it passed; why it failed otherwise.
    std::string what;
};

// Everything a decision reads. A new control adds a member here, not a
// parameter to every caller.
struct DecisionInputs {
    const GateLine& line;
    const Settings& settings;
    const UseHistory& history;
    const AskPermission& ask;
};

struct Decision {
    Outcome outcome = Outcome::Rejected;
    Reply reply = Reply::None;
    // The names the console runs, outermost first: the command's, then through
    // each wrapper the name of the command it runs (CommandText.h).
    std::vector<std::string> chain;
    // The innermost of them, whose settings apply and under which its cooldown
    // is kept; empty when the console can't read one.
    std::string name;
    // The entry of "Commands" that applies; null when none does.
    const CommandSettings* settings = nullptr;
    // Denied by the deny list: the name of the chain it holds.
    std::string deniedName;
    // Every question asked of the permissions plugin, in order.
    std::vector<PermissionAnswer> asked;
    // Rejected: the text would chain commands ('|' or a line break), rather
    // than only hold something unprintable.
    bool chained = false;
    // Denied by an argument rule, or a reading that is unsure: the JSON
    // pointer of the rule that failed ("/Wrappers" for a wrapped line).
    std::string rule;
    // Denied for a reading that is unsure: its code (ReadingCode).
    std::string reading;
    // Each argument rule's answer, up to the first that failed (to the last,
    // for a line read with everyRule); the first that failed is `rule`.
    std::vector<RuleAnswer> ruleAnswers;
    // Cooldown, Limit: how long until the next use is let through.
    UseHistory::Clock::duration left{};
    // What the entry's use limit says of the uses before this one, when it
    // has one and the decision got that far.
    std::optional<LimitAnswer> limit;
    // Granted: who sees the announcement; unset when PrintToChat decides.
    std::optional<Announce> announce;
    // Why, in a few words, for people.
    std::string reason;
};

Decision Decide(const DecisionInputs& inputs);

// Who sees a granted use's announcement: its entry's Announce, or else as
// PrintToChat says. Throws the error PrintToChat's lookup holds.
Announce AnnounceOf(const Decision& decision, const Settings& settings);

// The audit line's name of an outcome (Outcomes.h).
std::string_view OutcomeName(Outcome outcome);

}  // namespace Corvane
