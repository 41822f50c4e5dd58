#include "core/gate/Decision.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "core/audit/Outcomes.h"
#include "core/text/CommandText.h"
#include "core/text/TimeInWords.h"
#include "engine/WideText.h"

namespace Corvane {
namespace {

// How much of a text a player typed a reason shows.
constexpr std::size_t kShownCharacters = 100;

// Text a player typed, as a reason shows it: cut after kShownCharacters.
std::string Shown(WideStringView text) {
    const std::size_t cut = CutPoint(text, kShownCharacters);
    return Engine::ToUtf8(text.substr(0, cut)) + (cut < text.size() ? "..." : "");
}

// A permission of ours or of a tier (ASCII), as it is asked.
WideString Wide(std::string_view ascii) {
    return WideString(ascii.begin(), ascii.end());
}

// A console name (ASCII), as a reason shows it.
std::string Shown(const std::string& name) {
    std::string shown(name, 0, kShownCharacters);
    if (shown.size() < name.size()) {
        shown += "...";
    }
    return shown;
}

class Decider {
public:
    explicit Decider(const DecisionInputs& inputs)
        : line_(inputs.line), settings_(inputs.settings), history_(inputs.history), ask_(inputs.ask) {}

    Decision Run() {
        if (!IsOnePrintableLine(line_.command)) {
            decision_.chained = IsChained(line_.command);
            return Decided(Outcome::Rejected, Reply::Refusal,
                           decision_.chained ? "it could run more than one command"
                                             : "it holds an unprintable character");
        }
        CommandChain chain = ReadChain(line_.command, settings_.wrappers);
        decision_.chain = std::move(chain.names);
        decision_.name = decision_.chain.back();
        for (const std::string& name : decision_.chain) {
            if (settings_.Denies(name)) {
                decision_.deniedName = name;
                return Decided(Outcome::Denied, Reply::Refusal,
                               name + " is on the deny list" +
                                   (name == decision_.chain.front()
                                        ? ""
                                        : " (run by " + Shown(decision_.chain.front()) + ")"));
            }
        }
        if (decision_.chain.size() > 1) {
            auto unsure = FindUnsureReading(line_.command);
            if (!unsure && chain.textAfterQuote) {
                unsure = UnsureReading{Unsure::AfterQuote};
            }
            if (unsure) {
                decision_.rule = "/Wrappers";
                decision_.reading = ReadingCode(unsure->what);
                return Decided(Outcome::Denied, Reply::Refusal,
                               "the names it runs can't be read for sure: " + DescribeReading(*unsure));
            }
        }
        WideString permission = WIDE("Cheat.");
        permission += line_.permissionWord;
        if (!Ask(permission)) {
            return Decided(Outcome::Refused, Reply::Refusal, Shown(permission) + " is not held");
        }
        if (!line_.hasPrefix) {
            return Decided(Outcome::NoPrefix, Reply::None, "the line does not start with \"/cheat \"");
        }
        decision_.settings = settings_.SettingsFor(decision_.name);
        if (decision_.settings != nullptr && decision_.settings->rules.Any() &&
            !ArgumentsPass(decision_.settings->rules, chain.innermost)) {
            return Decided(Outcome::Denied, Reply::Denial, std::move(denial_));
        }
        if (decision_.settings != nullptr && !Remembered(*decision_.settings)) {
            return std::move(decision_);
        }
        if (decision_.settings != nullptr) {
            decision_.announce = decision_.settings->announce;
        }
        return Decided(Outcome::Granted, Reply::None, Shown(permission) + " is held");
    }

private:
    // The controls that remember: false when one holds the player back, and
    // the decision is made.
    bool Remembered(const CommandSettings& command) {
        const auto uses = history_.Uses(line_.steamId, decision_.name);
        if (uses.empty()) {
            if (command.maxUses) {
                decision_.limit = LimitAnswer{};
            }
            return true;
        }
        const auto cooldownLeft = CooldownLeft(uses, command.cooldown, line_.now);
        if (cooldownLeft > UseHistory::Clock::duration::zero() && !Ask(Wide(kNoCooldown)) &&
            !AnyTier(command, [&](const Tier& tier) {
                return tier.cooldown &&
                       CooldownLeft(uses, *tier.cooldown, line_.now) == UseHistory::Clock::duration::zero();
            })) {
            decision_.left = cooldownLeft;
            Set(Outcome::Cooldown, Reply::Cooldown,
                fmt::format("{} s of the cooldown on {} are left", SecondsLeft(cooldownLeft),
                            Shown(decision_.name)));
            return false;
        }
        if (!command.maxUses) {
            return true;
        }
        const UseLimit& limit = *command.maxUses;
        const LimitAnswer answer = AskLimit(uses, limit.count, limit.per, line_.now);
        decision_.limit = answer;
        if (answer.left > UseHistory::Clock::duration::zero() && !Ask(Wide(kNoLimit)) &&
            !AnyTier(command,
                     [&](const Tier& tier) { return tier.maxUses && answer.used < tier.maxUses->count; })) {
            decision_.left = answer.left;
            decision_.rule = limit.pointer;
            Set(Outcome::Limit, Reply::Limit,
                fmt::format("{} was used {} times in the last {} s, the most allowed; {} s until the next",
                            Shown(decision_.name), answer.used, SecondsLeft(limit.per),
                            SecondsLeft(answer.left)));
            return false;
        }
        return true;
    }

    // Asks the tiers whose value lets the use through, in order, until one is held.
    template <typename LetsThrough>
    bool AnyTier(const CommandSettings& command, const LetsThrough& letsThrough) {
        for (const Tier& tier : command.tiers) {
            if (letsThrough(tier) && Ask(Wide(tier.permission))) {
                return true;
            }
        }
        return false;
    }

    // False when a rule fails: decision_.rule names the first that did,
    // denial_ says why. Past a failed rule, only a line read with everyRule
    // goes on to answer the others.
    bool ArgumentsPass(const ArgumentRules& rules, WideStringView innermost) {
        const WideStringView text = TextAfterName(innermost);
        if (const auto unsure = FindUnsureReading(text)) {
            decision_.reading = ReadingCode(unsure->what);
            return Fail(rules.pointer, "its arguments can't be read for sure: " + DescribeReading(*unsure));
        }
        const auto arguments = ReadArguments(text);
        if (!arguments) {
            return Fail(rules.pointer, "its arguments can't be read: a double quote is not closed");
        }
        if (rules.maxArguments && arguments->size() > *rules.maxArguments &&
            !Fail(rules.pointer + "/MaxArguments",
                  fmt::format("{} arguments, more than {}", arguments->size(), *rules.maxArguments)) &&
            !line_.everyRule) {
            return false;
        }
        for (std::size_t i = 0; i < rules.arguments.size(); ++i) {
            if (!rules.arguments[i]) {
                continue;
            }
            const ArgumentRule& rule = *rules.arguments[i];
            const bool passes = i < arguments->size()
                                    ? ArgumentPasses(rule, i, (*arguments)[i])
                                    : Fail(rule.pointer, fmt::format("argument {} is missing", i + 1));
            if (!passes && !line_.everyRule) {
                return false;
            }
        }
        return decision_.rule.empty();
    }

    bool ArgumentPasses(const ArgumentRule& rule, std::size_t index, WideStringView argument) {
        // Built only for a rule that fails: a use that passes pays for no text.
        const auto which = [&] { return fmt::format("argument {} ({})", index + 1, Shown(argument)); };
        const RuleMiss miss = CheckArgument(rule, argument);
        const std::string member = rule.pointer + MissedMember(rule, miss);
        switch (miss) {
            case RuleMiss::None: break;
            case RuleMiss::NotANumber: return Fail(member, which() + " is not a decimal number");
            case RuleMiss::NotWhole: return Fail(member, which() + " is not a whole number");
            case RuleMiss::BelowMin: return Fail(member, fmt::format("{} is below {}", which(), *rule.min));
            case RuleMiss::AboveMax: return Fail(member, fmt::format("{} is above {}", which(), *rule.max));
            case RuleMiss::NoPattern: return Fail(member, which() + " matches no pattern");
        }
        if (rule.permission) {
            if (!IsAskable(argument)) {
                return Fail(rule.pointer + "/Permission",
                            which() + " can't be asked about: only ASCII letters, digits, _ and - can");
            }
            WideString permission =
                WIDE("Cheat.") + WideString(decision_.name.begin(), decision_.name.end()) + WIDE(".");
            permission += argument;
            if (!Ask(permission)) {
                return Fail(rule.pointer + "/Permission", Shown(permission) + " is not held");
            }
        }
        decision_.ruleAnswers.push_back({"", which()});
        return true;
    }

    // Records the failure; the first one decides. Always false.
    bool Fail(std::string rule, std::string why) {
        if (decision_.rule.empty()) {
            decision_.rule = rule;
            denial_ = why;
        }
        decision_.ruleAnswers.push_back({std::move(rule), std::move(why)});
        return false;
    }

    bool Ask(WideStringView permission) {
        const bool held = ask_(permission);
        decision_.asked.push_back({WideString(permission), held});
        return held;
    }

    void Set(Outcome outcome, Reply reply, std::string reason) {
        decision_.outcome = outcome;
        decision_.reply = reply;
        decision_.reason = std::move(reason);
    }

    Decision Decided(Outcome outcome, Reply reply, std::string reason) {
        Set(outcome, reply, std::move(reason));
        return std::move(decision_);
    }

    const GateLine& line_;
    const Settings& settings_;
    const UseHistory& history_;
    const AskPermission& ask_;
    Decision decision_;
    std::string denial_;
};

}  // namespace

Decision Decide(const DecisionInputs& inputs) {
    return Decider(inputs).Run();
}

Announce AnnounceOf(const Decision& decision, const Settings& settings) {
    if (decision.announce) {
        return *decision.announce;
    }
    return settings.printToChat.Get() ? Announce::All : Announce::None;
}

std::string_view OutcomeName(Outcome outcome) {
    static_assert(kDecisionOutcomes.size() == static_cast<std::size_t>(Outcome::Granted) + 1);
    return kDecisionOutcomes[static_cast<std::size_t>(outcome)];
}

}  // namespace Corvane
