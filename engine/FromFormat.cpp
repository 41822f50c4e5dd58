#include "engine/FromFormat.h"

FString Corvane::Engine::detail::VFormat(WideStringView format,
                                         fmt::basic_format_args<fmt::buffer_context<WideChar>> args) {
    const WideString text =
        fmt::vformat(fmt::basic_string_view<WideChar>(format.data(), format.size()), args);
    // Built from the NUL-terminated text, so an embedded NUL ends the result.
    return FString::FromWide(text.c_str());
}

WideString Corvane::Engine::AsFormatText(WideStringView text) {
    WideString escaped;
    escaped.reserve(text.size());
    for (const WideChar c : text) {
        escaped += c;
        if (c == '{' || c == '}') {
            escaped += c;
        }
    }
    return escaped;
}
