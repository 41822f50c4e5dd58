// What one chat line must do to the stand-in server, worked out from the
// configuration model, the player's grants and the line alone, never from the
// plugin: the oracle of fuzz_chat.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "fuzz/ConfigModel.h"
#include "host/WideChar.h"

namespace Fuzz {

// An error text that may leave the handler: a whole formatting-library
// message, or the start of a JSON type error ("[json.exception.type_error.302]").
struct ErrorMatch {
    std::string text;
    bool prefixOnly = false;
    bool Matches(const std::string& error) const;
};

struct ChatExpectation {
    // Nothing: not routed to /cheat, fewer than two words, or no prefix to remove.
    enum class Kind { Nothing, Refused, Granted };
    Kind kind = Kind::Nothing;
    bool routed = false;
    bool chained = false;
    WideString command;        // Granted: what the console runs
    WideString logText;        // Granted, when nothing fails
    bool broadcast = false;    // Granted, when nothing fails
    WideString sender, reply;  // Refused, when nothing fails
    // What may leave the handler; when empty the line must be handled.
    std::vector<ErrorMatch> errors;
};

struct ChatLine {
    bool loaded;                         // the plugin loaded and registered /cheat
    const std::set<WideString>* grants;  // the player's permissions
    WideStringView name;                 // the player's character name
    WideStringView text;                 // the whole chat line
};

ChatExpectation Expect(const ConfigModel& config, const ChatLine& line);

// The blank-separated (U+0020 only) non-empty pieces of text.
std::vector<WideString> BlankSeparatedWords(WideStringView text);

}  // namespace Fuzz
