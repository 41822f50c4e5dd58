// The engine's 16-bit character, and standard strings over it.
#pragma once

#include <cwchar>
#include <string>
#include <string_view>
#include <type_traits>

// The engine's character is 16 bits on every platform: wchar_t where the
// platform's wchar_t is 16 bits (Windows), char16_t elsewhere.
using WideChar = std::conditional_t<sizeof(wchar_t) == 2, wchar_t, char16_t>;
static_assert(sizeof(WideChar) == 2, "the engine's character is 16 bits");

using WideString = std::basic_string<WideChar>;
using WideStringView = std::basic_string_view<WideChar>;

// A wide literal of the engine's character type: WIDE("fly").
#if WCHAR_MAX <= 0xFFFF
#define WIDE(text) L##text
#else
#define WIDE(text) u##text
#endif
