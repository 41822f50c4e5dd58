// Engine text as UTF-8, for log lines.
#pragma once

#include <string>

#include "host/WideChar.h"

namespace Corvane::Engine {
// UTF-16 to UTF-8; a surrogate without its pair becomes U+FFFD.
std::string ToUtf8(WideStringView text);
// ToUtf8 with control characters written as escapes (\r, \n, \t, \xNN), so
// that text a player typed cannot start or overwrite a line of a log.
std::string ToPrintableUtf8(WideStringView text);
}  // namespace Corvane::Engine
