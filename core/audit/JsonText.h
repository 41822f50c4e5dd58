// Texts as the audit file's lines write them: JSON strings in which every
// character that could hide, forge or reorder what a line says is a \uXXXX
// escape (control characters, DEL, and what Engine::ShownAsEscape names, as
// Engine::AppendUnicodeEscape writes them).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "host/WideChar.h"

namespace Corvane {

struct EscapedText {
    std::string json;       // without the quotes
    std::size_t taken = 0;  // the code units of the text it holds
};

// As many whole characters of text as fit, escaped, in budget bytes; a
// surrogate pair is never split.
EscapedText EscapeWithin(WideStringView text, std::size_t budget);

// The names a line runs (CommandText.h), outermost first, as a JSON array:
// at most 16 of them (the first 15 and the innermost), each at most 100
// characters, and the count of names left out.
struct NamesJson {
    std::string array;
    std::size_t cut = 0;
};
NamesJson NamesArray(const std::vector<std::string>& names);

}  // namespace Corvane
