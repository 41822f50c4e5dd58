// What the gate reads off a command text (the chat line after "/cheat "):
// whether the engine console would take it as one printable line, the name
// the console would run, and how it is shown in a log or an audit line.
#pragma once

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/FString.h"
#include "host/WideChar.h"

namespace Corvane {

// Every character of the string, up to its Count: what an engine function is
// handed, embedded NULs included. A final NUL, the terminator, is left out.
WideStringView WholeText(const FString& text);

// False when the console could run the text as more than the one command whose
// name was checked, or a log could show it as something else: a C0 control
// (NUL and tab included), DEL, a C1 control, U+2028, U+2029, '|', or a
// surrogate without its pair.
bool IsOnePrintableLine(WideStringView command);

// The first blank-separated (U+0020) word of text, read up to its first NUL,
// as SplitOnBlank reads it; empty when there is none.
WideStringView FirstWord(WideStringView text);

// True when text starts with the ASCII prefix, ASCII letters compared without
// regard to case and every other character exactly (a NUL matches nothing).
bool StartsWithNoCase(WideStringView text, std::string_view prefix);

// True when the text holds '|', CR or LF: the console would chain commands.
bool IsChained(WideStringView command);

// The name the console runs, as it reads it: leading blanks skipped, ASCII
// letters, digits and '_' up to the first other character, folded to lower case.
std::string ConsoleName(WideStringView command);
// The names the console runs for command, outermost first: the command's own,
// then, while that name is one of wrappers (commands that run their argument
// text as another command), the name of the text it runs. That text starts
// after the name and its blanks; when it starts with a double quote, it runs
// to the closing one, the quotes no part of it.
struct CommandChain {
    std::vector<std::string> names;
    // The text of the innermost command, its name first.
    WideStringView innermost;
};
CommandChain ReadChain(WideStringView command, const std::set<std::string>& wrappers);
// The innermost name of the chain: whose settings and cooldown the command takes.
std::string InnermostName(WideStringView command, const std::set<std::string>& wrappers);

// What follows the console name in command (after its leading blanks and the
// name's letters), the arguments' text.
WideStringView TextAfterName(WideStringView command);

// The arguments as the console reads them: blank-separated words, where a word
// that starts with a double quote runs to the next double quote, which ends it
// (the quotes are no part of it). None when a quote is never closed. The
// arguments are views into text.
std::optional<std::vector<WideStringView>> ReadArguments(WideStringView text);

// The same for a configured name (UTF-8); empty when the name could never be
// read so (empty, or holding another character).
std::string ConfiguredName(const std::string& name);

// Where to cut text to keep at most maxCharacters of it without splitting a
// surrogate pair.
std::size_t CutPoint(WideStringView text, std::size_t maxCharacters);

// The text for a log line: its first maxCharacters characters with every
// character that could forge a line escaped, then how many more there were.
std::string LogExcerpt(WideStringView text, std::size_t maxCharacters);

}  // namespace Corvane
