#include "core/gate/Decision.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "core/text/CommandText.h"
#include "engine/WideText.h"

namespace Corvane {
namespace {

constexpr WideStringView kNoCooldown = WIDE("Corvane.NoCooldown");
// How much of a text a player typed a reason shows.
constexpr std::size_t kShownCharacters = 100;

// Text a player typed, as a reason shows it: cut after kShownCharacters.
std::string Shown(WideStringView text) {
    const std::size_t cut = CutPoint(text, kShownCharacters);
    return Engine::ToUtf8(text.substr(0, cut)) + (cut < text.size() ? "..." : "");
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
    Decider(const GateLine& line, const Settings& settings, const Cooldowns& cooldowns,
            const AskPermission& ask)
        : line_(line), settings_(settings), cooldowns_(cooldowns), ask_(ask) {}

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
        const auto left = cooldowns_.Remaining(line_.steamId, decision_.name, line_.now);
        if (left > Cooldowns::Clock::duration::zero() && !Ask(kNoCooldown)) {
            decision_.cooldownLeft = left;
            const auto seconds =
                static_cast<long long>(std::ceil(std::chrono::duration<double>(left).count()));
            return Decided(
                Outcome::Cooldown, Reply::Cooldown,
                fmt::format("{} s of the cooldown on {} are left", seconds, Shown(decision_.name)));
        }
        if (decision_.settings != nullptr) {
            decision_.announce = decision_.settings->announce;
        }
        return Decided(Outcome::Granted, Reply::None, Shown(permission) + " is held");
    }

private:
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

    Decision Decided(Outcome outcome, Reply reply, std::string reason) {
        decision_.outcome = outcome;
        decision_.reply = reply;
        decision_.reason = std::move(reason);
        return std::move(decision_);
    }

    const GateLine& line_;
    const Settings& settings_;
    const Cooldowns& cooldowns_;
    const AskPermission& ask_;
    Decision decision_;
    std::string denial_;
};

}  // namespace

Decision Decide(const GateLine& line, const Settings& settings, const Cooldowns& cooldowns,
                const AskPermission& ask) {
    return Decider(line, settings, cooldowns, ask).Run();
}

const char* OutcomeName(Outcome outcome) {
    switch (outcome) {
        case Outcome::Rejected: return "rejected";
        case Outcome::Denied: return "denied";
        case Outcome::Refused: return "refused";
        case Outcome::NoPrefix: return "failed";
        case Outcome::Cooldown: return "cooldown";
        case Outcome::Granted: return "granted";
    }
    return "failed";
}

}  // namespace Corvane
