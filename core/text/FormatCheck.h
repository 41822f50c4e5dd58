// A message's format text, kept from costing what its fields ask for: a
// field width or precision of 100,000,000 would format that many characters
// at every use. The load warns of it, and the format texts with fields
// (LogMsg, Cooldown) are kept with 1,000 in its place, which the load's trial
// formats too (the library's verdict on the text is the same).
#pragma once

#include <fmt/xchar.h>

#include "host/WideChar.h"

namespace Corvane {

// The widest field width or precision a message may ask for without a warning.
inline constexpr unsigned kWidestField = 1000;

struct TamedFormat {
    WideString format;  // the text with every wider field at kWidestField
    bool wasWider = false;
};

// Numbers above the int range are left alone: the library rejects those itself.
TamedFormat Tame(WideStringView format);

// The format applied to texts as a use would apply it, tamed: the text, or the
// library's fmt::format_error, as at the use.
template <class... Texts>
WideString TrialFormat(WideStringView format, const Texts&... texts) {
    const WideString tamed = Tame(format).format;
    return fmt::vformat(fmt::basic_string_view<WideChar>(tamed.data(), tamed.size()),
                        fmt::make_format_args<fmt::buffer_context<WideChar>>(
                            fmt::basic_string_view<WideChar>(WideStringView(texts))...));
}

}  // namespace Corvane
