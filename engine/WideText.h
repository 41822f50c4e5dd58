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
// The same escapes over text that is already UTF-8; a backslash is doubled,
// so that no escape can be typed.
std::string EscapeForLog(std::string_view utf8);
// JSON text (UTF-8, control characters already escaped) with DEL and the
// invisible characters EscapeForLog escapes written as \uXXXX, so that a
// line shows in a terminal or a viewer as it reads.
std::string EscapeInvisibleInJson(std::string_view json);
}  // namespace Corvane::Engine
