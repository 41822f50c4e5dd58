// The runtime's wide-string comparison over the engine's 16-bit characters.
//
// Where wchar_t is 16 bits this is the platform's own _wcsnicmp; elsewhere a
// small equivalent of ours (see platform/). Searching and copying use the
// standard library over string views instead of wcsstr and wcsncpy_s: those
// read up to a NUL, and a string the engine made may lack one inside its count.
#pragma once

#include <cstddef>

#include "host/WideChar.h"

namespace Corvane::Engine::detail {
// Compares at most count characters of a and b, folding ASCII letters to lower
// case; stops early at a NUL in both. Negative, zero or positive like _wcsnicmp.
int CompareNoCase(const WideChar* a, const WideChar* b, std::size_t count);
}  // namespace Corvane::Engine::detail
