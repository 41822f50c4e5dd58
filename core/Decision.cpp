#include "core/Decision.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "core/CommandText.h"
#include "engine/WideText.h"

namespace Corvane {
namespace {

constexpr WideStringView kNoCooldown = WIDE("Corvane.NoCooldown");

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
                return Decided(
                    Outcome::Denied, Reply::Denial,
                    name + " is on the deny list" +
                        (name == decision_.chain.front() ? "" : " (run by " + decision_.chain.front() + ")"));
            }
        }
        WideString permission = WIDE("Cheat.");
        permission += line_.permissionWord;
        if (!Ask(permission)) {
            return Decided(Outcome::Refused, Reply::Refusal, Engine::ToUtf8(permission) + " is not held");
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
            return Decided(Outcome::Cooldown, Reply::Cooldown,
                           fmt::format("{} s of the cooldown on {} are left", seconds, decision_.name));
        }
        if (decision_.settings != nullptr) {
            decision_.announce = decision_.settings->announce;
        }
        return Decided(Outcome::Granted, Reply::None, Engine::ToUtf8(permission) + " is held");
    }

private:
    // False when a rule fails: decision_.rule names it, denial_ says why.
    bool ArgumentsPass(const ArgumentRules& rules, WideStringView innermost) {
        const auto arguments = ReadArguments(TextAfterName(innermost));
        if (!arguments) {
            return Fail(rules.pointer, "its arguments can't be read: a double quote is not closed");
        }
        if (rules.maxArguments && arguments->size() > *rules.maxArguments) {
            return Fail(rules.pointer + "/MaxArguments",
                        fmt::format("{} arguments, more than {}", arguments->size(), *rules.maxArguments));
        }
        for (std::size_t i = 0; i < rules.arguments.size(); ++i) {
            if (!rules.arguments[i]) {
                continue;
            }
            const ArgumentRule& rule = *rules.arguments[i];
            if (i >= arguments->size()) {
                return Fail(rule.pointer, fmt::format("argument {} is missing", i + 1));
            }
            if (!ArgumentPasses(rule, i, (*arguments)[i])) {
                return false;
            }
            decision_.passedArguments.push_back({i, (*arguments)[i]});
        }
        return true;
    }

    bool ArgumentPasses(const ArgumentRule& rule, std::size_t index, WideStringView argument) {
        // Built only for a rule that fails: a use that passes pays for no text.
        const auto which = [&] {
            return fmt::format("argument {} ({})", index + 1, Engine::ToUtf8(argument));
        };
        switch (CheckArgument(rule, argument)) {
            case RuleMiss::None: break;
            case RuleMiss::NotANumber:
                return Fail(rule.pointer + (rule.min ? "/Min" : "/Max"),
                            which() + " is not a decimal number");
            case RuleMiss::BelowMin:
                return Fail(rule.pointer + "/Min", fmt::format("{} is below {}", which(), *rule.min));
            case RuleMiss::AboveMax:
                return Fail(rule.pointer + "/Max", fmt::format("{} is above {}", which(), *rule.max));
            case RuleMiss::NoPattern: return Fail(rule.pointer + "/Allow", which() + " matches no pattern");
        }
        if (rule.permission) {
            WideString permission =
                WIDE("Cheat.") + WideString(decision_.name.begin(), decision_.name.end()) + WIDE(".");
            permission += argument;
            if (!Ask(permission)) {
                return Fail(rule.pointer + "/Permission", Engine::ToUtf8(permission) + " is not held");
            }
        }
        return true;
    }

    bool Fail(std::string rule, std::string why) {
        decision_.rule = std::move(rule);
        denial_ = std::move(why);
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
