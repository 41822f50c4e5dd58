// Engine text as UTF-8, for log lines.
#pragma once

#include <string>

#include "WideChar.h"

namespace Engine {
// UTF-16 to UTF-8; a surrogate without its pair becomes U+FFFD.
std::string ToUtf8(WideStringView text);
}
