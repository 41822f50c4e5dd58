// What one chat line must do to the stand-in server, worked out from the
// configuration model, the players, the time the script let pass and the
// line alone, never from the plugin: the oracle of fuzz_chat.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/ConfigModel.h"
#include "host/WideChar.h"

namespace Fuzz {

// An error that may stop a use: the member of config.json that fails
// ("Messages/LogMsg"), and its text, a whole formatting-library message or the
// start of a JSON type error ("[json.exception.type_error.302]").
struct ErrorMatch {
    std::string member;
    std::string text;
    bool prefixOnly = false;
    // The library's text alone, as the audit line's "error" holds it.
    bool Matches(const std::string& error) const;
    // The library's text in the plugin's error line, "<member>: <text> (Steam
    // id <id>, command ...)", when the line names this member and that id.
    std::optional<std::string> TextIn(const std::string& line, std::uint64_t steamId) const;
};

// A player as the script made them; they keep their place after leaving.
struct ChatPlayer {
    std::string name;  // UTF-8: the character name, and how events name them
    std::uint64_t steamId = 0;
    bool connected = true;
    std::set<WideString> grants;
};

enum class Decision { Ignored, Rejected, Denied, Refused, Cooldown, Granted };

struct ChatExpectation {
    // False: the line is not for /cheat (or the plugin is not loaded).
    bool routed = false;
    // Ignored also for a routed line of fewer than two words.
    Decision decision = Decision::Ignored;
    bool chained = false;  // Rejected: the console would run more than one command
    WideString command;    // the text after "/cheat ", all the framework handed over
    std::string name;      // the command's name, as the console reads it
    // Every name the console runs, outermost first; empty when rejected.
    std::vector<std::string> names;
    WideString permission;  // the command's permission, when it was asked
    // Each question asked after it, with its answer, in order.
    std::vector<std::pair<WideString, bool>> asked;
    std::string rule;                     // Denied by an argument rule: the rule's JSON pointer
    std::string reading;                  // Denied for a reading the console could make otherwise: why
    WideString logText;                   // Granted, when nothing fails
    std::vector<std::string> recipients;  // Granted: who sees the announcement, in the world's order
    WideString sender;                    // the private reply's sender
    std::vector<WideString> replies;      // Rejected, Denied, Refused, Cooldown: the reply is one of these
    // When not empty the use fails with one of these, and nobody gets anything.
    std::vector<ErrorMatch> errors;

    bool Runs() const { return decision == Decision::Granted && errors.empty(); }
    bool AsksPermission() const;
    // The audit line's "outcome".
    const char* Outcome() const;
};

// One line as the target said it: real time since the input began, in
// nanoseconds, read just before and just after the line was handled.
struct ChatLine {
    bool loaded;                             // the plugin loaded and registered /cheat
    const std::vector<ChatPlayer>* players;  // everyone who joined, in order
    std::size_t speaker;
    WideStringView text;  // the whole chat line
    std::int64_t from, to;
};

class ChatOracle {
public:
    explicit ChatOracle(const ConfigModel& config) : config_(config) {}

    void LetTimePass(std::int64_t nanoseconds) { scriptTime_ += nanoseconds; }

    // What the line must do: one expectation, or two (held back, or granted)
    // when a running cooldown ends while the line is being handled.
    std::vector<ChatExpectation> Expect(const ChatLine& line) const;
    // Which of them happened: a command that ran starts its cooldown.
    void Settle(const ChatLine& line, const ChatExpectation& happened);

private:
    // Earliest and latest nanosecond on the server's clock, from the input's start.
    using Span = std::pair<std::int64_t, std::int64_t>;
    Span When(const ChatLine& line) const;
    // What the console runs for a command, through every wrapper.
    struct CommandsRun {
        std::vector<std::string> names;  // the last is the one run in the end
        WideStringView arguments;        // the text after the last name
        bool afterQuote = false;         // a quoted wrapped command had more than blanks after it
    };
    CommandsRun NamesRun(WideStringView command) const;
    // The pointer of the first rule the arguments of the command named name
    // fail; none when they pass. Appends the permissions the rules ask to
    // asked; when the arguments could be read otherwise, says why in reading.
    std::optional<std::string> FailedRule(const CommandModel& settings, const std::string& name,
                                          WideStringView arguments, const ChatPlayer& player,
                                          std::vector<std::pair<WideString, bool>>& asked,
                                          std::string& reading) const;
    // The reply is the message replyKey names.
    void ExpectRefusal(ChatExpectation& expected, const char* replyKey = "NoPermissions") const;
    void ExpectHeldBack(std::int64_t leftAtLeast, std::int64_t leftAtMost, ChatExpectation& expected) const;
    void ExpectGrant(const ChatLine& line, ChatExpectation& expected) const;

    const ConfigModel& config_;
    std::int64_t scriptTime_ = 0;
    // When each running cooldown ends, by Steam id and name.
    std::map<std::pair<std::uint64_t, std::string>, Span> cooldownEnds_;
};

// The blank-separated (U+0020 only) non-empty pieces of text.
std::vector<WideString> BlankSeparatedWords(WideStringView text);

// The arguments as the console reads them: blank-separated words, a word that
// starts with a double quote running to the next one; none when a quote is
// never closed.
std::optional<std::vector<WideString>> ConsoleArguments(WideStringView text);

// Why a console that takes more characters for blanks, honours a backslash
// before a quote, or joins quoted and unquoted text could read text otherwise
// than the plugin: "blank", "escaped-quote" or "empty-quote"; none when it can't.
std::optional<std::string> UnsureReading(WideStringView text);

}  // namespace Fuzz
