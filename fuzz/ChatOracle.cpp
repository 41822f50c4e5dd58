#include "fuzz/ChatOracle.h"

#include <fmt/xchar.h>

#include <algorithm>
#include <cstdlib>

#include "host/Velkor.h"

namespace Fuzz {
namespace {

constexpr std::int64_t kBillion = 1'000'000'000;
// A cooldown is held for at most this long, however long it is configured.
constexpr double kLongestCooldownSeconds = 1e9;
// The server reads its clock as a double number of seconds: a reading may be
// this many nanoseconds off the exact one.
constexpr std::int64_t kRounding = 1000;
constexpr std::size_t kPrefixLength = 7;  // "/cheat "
constexpr const char* kCooldownWhenMissing = "You can use {1} again in {2}.";

WideChar FoldAscii(WideChar c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<WideChar>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(WideStringView text, WideStringView prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (FoldAscii(text[i]) != FoldAscii(prefix[i])) {
            return false;
        }
    }
    return true;
}

bool IsRouted(WideStringView line) {
    const WideStringView word = line.substr(0, line.find(WideChar{' '}));
    return word.size() == 6 && StartsWithNoCase(word, WIDE("/cheat"));
}

// A character after which the console could run a second command, or a log
// show a second line: every C0 control (NUL, tab, CR and LF among them), DEL,
// every C1 control, the line and paragraph separators, and the console's '|'.
bool EndsTheLine(WideChar c) {
    const auto code = static_cast<std::uint32_t>(c);
    const bool c0 = code <= 0x1F;
    const bool c1 = code >= 0x80 && code <= 0x9F;
    return c0 || code == 0x7F || c1 || code == 0x2028 || code == 0x2029 || code == '|';
}

// A code unit of a surrogate pair standing alone, read backwards: each low
// half takes the high half in front of it, and any other half is alone.
bool HasLoneSurrogate(WideStringView text) {
    const auto isHigh = [](WideChar c) { return c >= 0xD800 && c <= 0xDBFF; };
    const auto isLow = [](WideChar c) { return c >= 0xDC00 && c <= 0xDFFF; };
    for (std::size_t i = text.size(); i-- > 0;) {
        if (isLow(text[i]) && i > 0 && isHigh(text[i - 1])) {
            --i;
        } else if (isLow(text[i]) || isHigh(text[i])) {
            return true;
        }
    }
    return false;
}

bool SeparatesCommands(WideChar c) {
    return c == '|' || c == '\r' || c == '\n';
}

// The console's name for a command: past the blanks in front, the ASCII
// letters, digits and underscores before anything else, in lower case.
std::string ConsoleNameOf(WideStringView command) {
    std::size_t at = 0;
    while (at < command.size() && command[at] == ' ') {
        ++at;
    }
    std::string name;
    for (; at < command.size(); ++at) {
        const WideChar c = command[at];
        if (c >= 'A' && c <= 'Z') {
            name += static_cast<char>(c - 'A' + 'a');
        } else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_') {
            name += static_cast<char>(c);
        } else {
            break;
        }
    }
    return name;
}

WideString Decimal(std::uint64_t value) {
    const std::string digits = std::to_string(value);
    return WideString(digits.begin(), digits.end());
}

// "<count> <unit>", the unit plural but for one.
std::string CountOf(std::int64_t count, const char* unit) {
    return std::to_string(count) + " " + unit + (count == 1 ? "" : "s");
}

// A whole number of seconds in words: the largest unit it reaches, and the
// next smaller one rounded up, left out when it is zero; a round that reaches
// a larger unit is said in that unit.
std::string InWords(std::int64_t seconds) {
    static constexpr std::pair<std::int64_t, const char*> kUnits[] = {
        {86400, "day"}, {3600, "hour"}, {60, "minute"}, {1, "second"}};
    std::size_t unit = 0;
    while (unit < 3 && seconds < kUnits[unit].first) {
        ++unit;
    }
    if (unit == 3) {
        return CountOf(seconds, "second");
    }
    const std::int64_t step = kUnits[unit + 1].first;
    const std::int64_t rounded = (seconds / step + (seconds % step != 0 ? 1 : 0)) * step;
    if (unit > 0 && rounded >= kUnits[unit - 1].first) {
        return InWords(rounded);
    }
    const std::int64_t rest = rounded % kUnits[unit].first / step;
    return CountOf(rounded / kUnits[unit].first, kUnits[unit].second) +
           (rest == 0 ? "" : " " + CountOf(rest, kUnits[unit + 1].second));
}

// fmt's own wide formatting, as an engine string keeps its result.
template <class... Args>
WideString Format(WideStringView format, const Args&... args) {
    return CutAtNul(fmt::vformat(fmt::basic_string_view<WideChar>(format.data(), format.size()),
                                 fmt::make_format_args<fmt::buffer_context<WideChar>>(
                                     fmt::basic_string_view<WideChar>(args.data(), args.size())...)));
}

void NoteTypeError(int id, const char* member, std::vector<ErrorMatch>& errors) {
    if (id != 0) {
        errors.push_back({member, TypeErrorPrefix(id), true});
    }
}

std::int64_t WholeSecondsUp(std::int64_t nanoseconds) {
    return (nanoseconds + kBillion - 1) / kBillion;
}

bool AllDigits(WideStringView text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](WideChar c) { return c >= '0' && c <= '9'; });
}

// "[sign]digits[.digits]" as the nearest double (infinite past the largest);
// none for anything else.
std::optional<double> DecimalValue(WideStringView text) {
    WideStringView magnitude = text;
    if (!magnitude.empty() && (magnitude[0] == '+' || magnitude[0] == '-')) {
        magnitude.remove_prefix(1);
    }
    const std::size_t point = magnitude.find(WideChar{'.'});
    if (!AllDigits(magnitude.substr(0, point)) ||
        (point != WideStringView::npos && !AllDigits(magnitude.substr(point + 1)))) {
        return std::nullopt;
    }
    return std::strtod(std::string(text.begin(), text.end()).c_str(), nullptr);
}

// The text's characters, a surrogate pair as one.
std::vector<WideStringView> Characters(WideStringView text) {
    std::vector<WideStringView> characters;
    for (std::size_t at = 0; at < text.size();) {
        const bool pair = text[at] >= 0xD800 && text[at] <= 0xDBFF && at + 1 < text.size();
        characters.push_back(text.substr(at, pair ? 2 : 1));
        at += pair ? 2 : 1;
    }
    return characters;
}

// What a wildcard may stand for: an ASCII letter or digit, '_', '-' or '.'.
bool Wildcarded(WideStringView c) {
    if (c.size() != 1) {
        return false;
    }
    const WideChar unit = FoldAscii(c[0]);
    return (unit >= 'a' && unit <= 'z') || (unit >= '0' && unit <= '9') || unit == '_' || unit == '-' ||
           unit == '.';
}

// What a question may carry: ASCII letters, digits, '_' and '-'.
bool Askable(WideStringView argument) {
    return std::all_of(argument.begin(), argument.end(),
                       [](WideChar c) { return Wildcarded(WideStringView(&c, 1)) && c != '.'; });
}

// Every place in the pattern the text so far can have reached, moved along
// one character at a time: '*' any run of wildcard characters, '?' one,
// anything else itself, ASCII case ignored.
bool MatchesPattern(WideStringView text, WideStringView pattern) {
    const std::vector<WideStringView> wanted = Characters(pattern);
    const auto isStar = [&](std::size_t p) { return wanted[p].size() == 1 && wanted[p][0] == '*'; };
    std::vector<bool> reached(wanted.size() + 1, false);
    const auto passStars = [&] {
        for (std::size_t p = 0; p < wanted.size(); ++p) {
            reached[p + 1] = reached[p + 1] || (reached[p] && isStar(p));
        }
    };
    reached[0] = true;
    passStars();
    for (const WideStringView c : Characters(text)) {
        std::vector<bool> next(wanted.size() + 1, false);
        for (std::size_t p = 0; p < wanted.size(); ++p) {
            if (!reached[p]) {
                continue;
            }
            const bool wild = wanted[p].size() == 1 && (wanted[p][0] == '?' || wanted[p][0] == '*');
            const bool one = wanted[p].size() == 1 && wanted[p][0] == '?' && Wildcarded(c);
            const bool same = !wild && wanted[p].size() == c.size() &&
                              std::equal(c.begin(), c.end(), wanted[p].begin(),
                                         [](WideChar a, WideChar b) { return FoldAscii(a) == FoldAscii(b); });
            next[p] = next[p] || (isStar(p) && Wildcarded(c));
            next[p + 1] = next[p + 1] || (!isStar(p) && (one || same));
        }
        reached = std::move(next);
        passStars();
    }
    return reached.back();
}

}  // namespace

bool ErrorMatch::Matches(const std::string& error) const {
    return prefixOnly ? error.rfind(text, 0) == 0 : error == text;
}

std::optional<std::string> ErrorMatch::TextIn(const std::string& line, std::uint64_t steamId) const {
    const std::string lead = member + ": ";
    const std::string who = " (Steam id " + std::to_string(steamId) + ", command \"";
    // The first: the player's command, shown after it, may hold the same words.
    const std::size_t at = line.find(who, lead.size());
    // A long command is shown cut, marked by "..." after its closing quote.
    const bool closed = line.ends_with("\")") || line.ends_with("\"...)");
    if (line.rfind(lead, 0) != 0 || at == std::string::npos || at < lead.size() || !closed) {
        return std::nullopt;
    }
    std::string error = line.substr(lead.size(), at - lead.size());
    return Matches(error) ? std::optional(std::move(error)) : std::nullopt;
}

bool ChatExpectation::AsksPermission() const {
    // A wrapped line that could be read otherwise is turned away with the deny list.
    return decision == Decision::Refused || decision == Decision::Cooldown || decision == Decision::Granted ||
           (!rule.empty() && rule != "/Wrappers");
}

const char* ChatExpectation::Outcome() const {
    switch (decision) {
        case Decision::Ignored: return "";
        case Decision::Rejected: return "rejected";
        case Decision::Denied: return "denied";
        case Decision::Refused: return "refused";
        case Decision::Cooldown: return "cooldown";
        case Decision::Granted: return errors.empty() ? "granted" : "failed";
    }
    return "";
}

std::vector<WideString> BlankSeparatedWords(WideStringView text) {
    std::vector<WideString> words;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t blank = std::min(text.find(WideChar{' '}, start), text.size());
        if (blank > start) {
            words.emplace_back(text.substr(start, blank - start));
        }
        start = blank + 1;
    }
    return words;
}

std::optional<std::vector<WideString>> ConsoleArguments(WideStringView text) {
    enum class In { Blanks, Word, Quotes } in = In::Blanks;
    std::vector<WideString> words;
    for (const WideChar c : text) {
        if (in == In::Blanks && c != ' ') {
            in = c == '"' ? In::Quotes : In::Word;
            words.emplace_back(c == '"' ? WideString() : WideString(1, c));
        } else if ((in == In::Word && c == ' ') || (in == In::Quotes && c == '"')) {
            in = In::Blanks;
        } else if (in != In::Blanks) {
            words.back() += c;
        }
    }
    return in == In::Quotes ? std::nullopt : std::optional(std::move(words));
}

std::optional<std::string> UnsureReading(WideStringView text) {
    // Unicode's White_Space but U+0020, and what older versions or common
    // libraries also count as space.
    static constexpr std::pair<WideChar, WideChar> kBlanks[] = {
        {0x0009, 0x000D}, {0x0085, 0x0085}, {0x00A0, 0x00A0}, {0x1680, 0x1680},
        {0x180E, 0x180E}, {0x2000, 0x200B}, {0x2028, 0x2029}, {0x202F, 0x202F},
        {0x205F, 0x205F}, {0x3000, 0x3000}, {0xFEFF, 0xFEFF}};
    for (const WideChar c : text) {
        for (const auto& [first, last] : kBlanks) {
            if (c >= first && c <= last) {
                return "blank";
            }
        }
    }
    for (std::size_t at = 1; at < text.size(); ++at) {
        if (text[at] == '"' && text[at - 1] == '\\') {
            return "escaped-quote";
        }
    }
    // Between words, in a word, inside quotes (and how much), just past a closing quote.
    enum class In { Blanks, Word, Quotes, Closed } in = In::Blanks;
    std::size_t quoted = 0;
    for (const WideChar c : text) {
        const bool quote = c == '"';
        switch (in) {
            case In::Blanks:
                in = c == ' ' ? In::Blanks : quote ? In::Quotes : In::Word;
                quoted = 0;
                break;
            case In::Word:
                if (quote) {
                    return "empty-quote";
                }
                in = c == ' ' ? In::Blanks : In::Word;
                break;
            case In::Quotes:
                if (quote && quoted == 0) {
                    return "empty-quote";
                }
                in = quote ? In::Closed : In::Quotes;
                ++quoted;
                break;
            case In::Closed:
                if (c != ' ') {
                    return "empty-quote";
                }
                in = In::Blanks;
                break;
        }
    }
    return std::nullopt;
}

ChatOracle::Span ChatOracle::When(const ChatLine& line) const {
    return {scriptTime_ + line.from, scriptTime_ + line.to};
}

std::vector<ChatExpectation> ChatOracle::Expect(const ChatLine& line) const {
    ChatExpectation expected;
    expected.routed = line.loaded && IsRouted(line.text);
    if (!expected.routed) {
        return {expected};
    }
    expected.command = line.text.substr(std::min(kPrefixLength, line.text.size()));
    const bool printable = std::none_of(expected.command.begin(), expected.command.end(), EndsTheLine) &&
                           !HasLoneSurrogate(expected.command);
    // The engine string's readers stop at its first NUL: so do its words. A
    // line of one printable word is passed over; one that is not printable is not.
    const std::vector<WideString> words = BlankSeparatedWords(CutAtNul(line.text));
    if (words.size() < 2 && printable) {
        expected.command.clear();
        return {expected};
    }
    const ChatPlayer& player = line.players->at(line.speaker);
    const CommandsRun run = NamesRun(expected.command);
    const std::vector<std::string>& names = run.names;
    expected.name = names.back();
    if (!printable) {
        expected.decision = Decision::Rejected;
        expected.chained = std::any_of(expected.command.begin(), expected.command.end(), SeparatesCommands);
        ExpectRefusal(expected);
        return {expected};
    }
    expected.names = names;
    // Turned away before the permission: the reply of a missing permission.
    if (std::any_of(names.begin(), names.end(),
                    [&](const std::string& name) { return config_.Denies(name); })) {
        expected.decision = Decision::Denied;
        ExpectRefusal(expected);
        return {expected};
    }
    // A wrapper's name came first: the whole line must read alike to any console.
    if (names.size() > 1) {
        expected.reading = UnsureReading(expected.command).value_or(run.afterQuote ? "after-quote" : "");
        if (!expected.reading.empty()) {
            expected.decision = Decision::Denied;
            expected.rule = "/Wrappers";
            ExpectRefusal(expected);
            return {expected};
        }
    }
    expected.permission = WIDE("Cheat.") + words[1];
    if (!player.grants.contains(expected.permission)) {
        expected.decision = Decision::Refused;
        ExpectRefusal(expected);
        return {expected};
    }
    const CommandModel* settings = config_.SettingsFor(expected.name);
    if (settings != nullptr && settings->HasRules()) {
        if (auto rule = FailedRule(*settings, expected.name, run.arguments, player, expected.asked,
                                   expected.reading)) {
            expected.decision = Decision::Denied;
            expected.rule = std::move(*rule);
            ExpectRefusal(expected, config_.HasMessage("Denied") ? "Denied" : "NoPermissions");
            return {expected};
        }
    }
    const auto cooldown = cooldownEnds_.find({player.steamId, expected.name});
    if (cooldown == cooldownEnds_.end()) {
        expected.decision = Decision::Granted;
        ExpectGrant(line, expected);
        return {expected};
    }
    std::vector<ChatExpectation> outcomes;
    const Span now = When(line);
    const std::int64_t leftAtLeast = cooldown->second.first - now.second - kRounding;
    const std::int64_t leftAtMost = cooldown->second.second - now.first + kRounding;
    // Still running when the plugin looked: it asks whether the player may pass it.
    if (leftAtMost > 0) {
        const bool exempt = player.grants.contains(WIDE("Corvane.NoCooldown"));
        ChatExpectation running = expected;
        running.asked.emplace_back(WIDE("Corvane.NoCooldown"), exempt);
        running.decision = exempt ? Decision::Granted : Decision::Cooldown;
        if (exempt) {
            ExpectGrant(line, running);
        } else {
            ExpectHeldBack(std::max<std::int64_t>(leftAtLeast, 1), leftAtMost, running);
        }
        outcomes.push_back(std::move(running));
    }
    if (leftAtLeast <= 0) {
        expected.decision = Decision::Granted;
        ExpectGrant(line, expected);
        outcomes.push_back(std::move(expected));
    }
    return outcomes;
}

std::optional<std::string> ChatOracle::FailedRule(const CommandModel& settings, const std::string& name,
                                                  WideStringView arguments, const ChatPlayer& player,
                                                  std::vector<std::pair<WideString, bool>>& asked,
                                                  std::string& reading) const {
    if (auto unsure = UnsureReading(arguments)) {
        reading = std::move(*unsure);
        return settings.at;
    }
    const auto read = ConsoleArguments(arguments);
    if (!read) {
        return settings.at;
    }
    if (settings.mostArguments && static_cast<double>(read->size()) > *settings.mostArguments) {
        return settings.at + "/MaxArguments";
    }
    for (const auto& [place, rule] : settings.rules) {
        if (place >= read->size()) {
            return rule.at;
        }
        const WideString& argument = (*read)[place];
        if (rule.least || rule.most || rule.whole) {
            const std::optional<double> value = DecimalValue(argument);
            const bool fraction = argument.find(WideChar{'.'}) != WideString::npos;
            const char* unmet = !value                               ? (rule.least  ? "/Min"
                                                                        : rule.most ? "/Max"
                                                                                    : "/Whole")
                                : rule.whole && fraction             ? "/Whole"
                                : rule.least && *value < *rule.least ? "/Min"
                                : rule.most && *value > *rule.most   ? "/Max"
                                                                     : nullptr;
            if (unmet != nullptr) {
                return rule.at + unmet;
            }
        }
        if (!rule.allowed.empty() &&
            std::none_of(rule.allowed.begin(), rule.allowed.end(),
                         [&](const WideString& pattern) { return MatchesPattern(argument, pattern); })) {
            return rule.at + "/Allow";
        }
        if (rule.ownPermission) {
            if (!Askable(argument)) {
                return rule.at + "/Permission";
            }
            WideString permission =
                WIDE("Cheat.") + WideString(name.begin(), name.end()) + WIDE(".") + argument;
            const bool held = player.grants.contains(permission);
            asked.emplace_back(std::move(permission), held);
            if (!held) {
                return rule.at + "/Permission";
            }
        }
    }
    return std::nullopt;
}

ChatOracle::CommandsRun ChatOracle::NamesRun(WideStringView command) const {
    CommandsRun run;
    WideStringView rest = command;
    for (;;) {
        run.names.push_back(ConsoleNameOf(rest));
        std::size_t at = 0;
        while (at < rest.size() && rest[at] == ' ') {
            ++at;
        }
        at += run.names.back().size();
        if (!config_.Wraps(run.names.back())) {
            run.arguments = rest.substr(at);
            return run;
        }
        // What the wrapper runs: all after its name and blanks, or what a
        // quote right there holds, up to its closing one.
        while (at < rest.size() && rest[at] == ' ') {
            ++at;
        }
        const bool quoted = at < rest.size() && rest[at] == '"';
        rest.remove_prefix(at + (quoted ? 1 : 0));
        if (quoted) {
            const std::size_t close = std::min(rest.find(WideChar{'"'}), rest.size());
            const WideStringView after = rest.substr(std::min(close + 1, rest.size()));
            run.afterQuote = run.afterQuote ||
                             std::any_of(after.begin(), after.end(), [](WideChar c) { return c != ' '; });
            rest = rest.substr(0, close);
        }
    }
}

void ChatOracle::ExpectRefusal(ChatExpectation& expected, const char* replyKey) const {
    const MessageOutcome sender = config_.Message("Sender");
    const MessageOutcome reply = config_.Message(replyKey);
    const std::string replyMember = std::string("Messages/") + replyKey;
    NoteTypeError(sender.typeError, "Messages/Sender", expected.errors);
    NoteTypeError(reply.typeError, replyMember.c_str(), expected.errors);
    expected.sender = sender.text;
    try {
        expected.replies.push_back(Format(reply.text));
    } catch (const fmt::format_error& error) {
        expected.errors.push_back({replyMember, error.what(), false});
    }
}

void ChatOracle::ExpectHeldBack(std::int64_t leftAtLeast, std::int64_t leftAtMost,
                                ChatExpectation& expected) const {
    constexpr std::int64_t kMostCounts = 8;
    const MessageOutcome sender = config_.Message("Sender");
    const MessageOutcome text = config_.Message("Cooldown", kCooldownWhenMissing);
    NoteTypeError(sender.typeError, "Messages/Sender", expected.errors);
    NoteTypeError(text.typeError, "Messages/Cooldown", expected.errors);
    expected.sender = sender.text;
    const WideString name(expected.name.begin(), expected.name.end());
    const std::int64_t first = WholeSecondsUp(leftAtLeast);
    for (std::int64_t seconds = first; seconds <= WholeSecondsUp(leftAtMost) && seconds < first + kMostCounts;
         ++seconds) {
        try {
            const std::string words = InWords(seconds);
            expected.replies.push_back(Format(text.text, Decimal(static_cast<std::uint64_t>(seconds)), name,
                                              WideString(words.begin(), words.end())));
        } catch (const fmt::format_error& error) {
            expected.errors.push_back({"Messages/Cooldown", error.what(), false});
            break;
        }
    }
}

void ChatOracle::ExpectGrant(const ChatLine& line, ChatExpectation& expected) const {
    const ChatPlayer& player = line.players->at(line.speaker);
    const MessageOutcome logFormat = config_.Message("LogMsg");
    NoteTypeError(logFormat.typeError, "Messages/LogMsg", expected.errors);
    if (logFormat.typeError == 0) {
        try {
            expected.logText = Format(logFormat.text, CutAtNul(Velkor::Tools::Utf8Decode(player.name)),
                                      expected.command, Decimal(player.steamId));
        } catch (const fmt::format_error& error) {
            expected.errors.push_back({"Messages/LogMsg", error.what(), false});
        }
    }
    const CommandModel* settings = config_.SettingsFor(expected.name);
    AnnounceMode mode = AnnounceMode::None;
    if (settings != nullptr && settings->announce) {
        mode = *settings->announce;
    } else {
        const SwitchOutcome printToChat = config_.PrintToChat();
        NoteTypeError(printToChat.typeError, "PrintToChat", expected.errors);
        mode = printToChat.value ? AnnounceMode::All : AnnounceMode::None;
    }
    for (const ChatPlayer& other : *line.players) {
        const bool admin = other.grants.contains(WIDE("Corvane.SeeAnnouncements"));
        if (other.connected && (mode == AnnounceMode::All || (mode == AnnounceMode::Admins && admin))) {
            expected.recipients.push_back(other.name);
        }
    }
}

void ChatOracle::Settle(const ChatLine& line, const ChatExpectation& happened) {
    if (!happened.Runs()) {
        return;
    }
    const std::pair key(line.players->at(line.speaker).steamId, happened.name);
    const CommandModel* settings = config_.SettingsFor(happened.name);
    const double seconds =
        settings != nullptr ? std::min(settings->cooldownSeconds, kLongestCooldownSeconds) : 0;
    // Whole nanoseconds, the fraction dropped.
    const auto length = static_cast<std::int64_t>(seconds * static_cast<double>(kBillion));
    if (length <= 0) {
        cooldownEnds_.erase(key);
        return;
    }
    const Span now = When(line);
    cooldownEnds_[key] = {now.first + length, now.second + length};
}

}  // namespace Fuzz
