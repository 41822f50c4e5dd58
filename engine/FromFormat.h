// FromFormat: builds an FString from a wide format text and wide-string arguments.
//
// Replacement fields follow the fmt library: "{}" takes the next argument,
// "{N}" the argument at index N. Even without arguments the text is parsed, so
// "{{" and "}}" become single braces and any other brace throws
// fmt::format_error with the library's message.
#pragma once

#include <fmt/xchar.h>

#include "engine/FString.h"

namespace Corvane::Engine {
// A text that, given as a format text, reads as it stands: every brace doubled.
WideString AsFormatText(WideStringView text);
}  // namespace Corvane::Engine

namespace Corvane::Engine::detail {
FString VFormat(WideStringView format, fmt::basic_format_args<fmt::buffer_context<WideChar>> args);
}

template <class... Args>
FString FromFormat(const WideChar* format, const Args&... args) {
    static_assert((std::is_convertible_v<const Args&, WideStringView> && ...),
                  "FromFormat takes wide-string arguments");
    return Corvane::Engine::detail::VFormat(format,
                                            fmt::make_format_args<fmt::buffer_context<WideChar>>(
                                                fmt::basic_string_view<WideChar>(WideStringView(args))...));
}
