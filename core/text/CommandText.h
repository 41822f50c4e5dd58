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
    // A quoted command was followed by more than blanks, which a console may
    // run with it or drop.
    bool textAfterQuote = false;
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

// What in a text the readers above could read otherwise than a console that
// honours more than they do: the audit line's "reading" codes.
enum class Unsure {
    Blank,         // a Unicode space or blank other than U+0020 (IsOtherBlank)
    EscapedQuote,  // a backslash before a double quote
    EmptyQuote,    // an empty quoted word, or a double quote joined to other text
    AfterQuote,    // text after a quoted wrapped command (CommandChain::textAfterQuote)
};
struct UnsureReading {
    Unsure what = Unsure::Blank;
    char32_t blank = 0;  // Blank: which one
};
const char* ReadingCode(Unsure what);
// In a few words, for people: "it holds U+3000, a blank other than U+0020".
std::string DescribeReading(const UnsureReading& reading);

// A character some console could take as a blank where the readers take
// none: Unicode's White_Space other than U+0020, and U+180E, U+200B and
// U+FEFF, which earlier versions of Unicode or common libraries count as spaces.
bool IsOtherBlank(WideChar c);

// The first of these the text holds, read as ReadArguments reads it: a
// blank, then a backslash before a double quote, then a quote that is empty
// ("") or joined to other text ("9"99, x"y); none when the readers and any
// console read the text alike. A quote never closed is ReadArguments' to find.
std::optional<UnsureReading> FindUnsureReading(WideStringView text);

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
