// Engine text as UTF-8, for log lines.
#pragma once

#include <string>
#include <string_view>

#include "host/WideChar.h"

namespace Corvane::Engine {
// UTF-16 to UTF-8; a surrogate without its pair becomes U+FFFD.
std::string ToUtf8(WideStringView text);
// ToUtf8 with what could forge or reorder a log line written as escapes:
// C0 controls and DEL as \r, \n, \t or \xNN; C1 controls, the line and
// paragraph separators and the bidirectional controls as \uXXXX.
std::string ToPrintableUtf8(WideStringView text);
// The same escapes over text that is already UTF-8.
std::string EscapeForLog(std::string_view utf8);
}  // namespace Corvane::Engine
