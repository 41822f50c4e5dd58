// Checking a message's format text at load, without paying what a use would:
// a field width or precision of 100,000,000 formats that many characters at
// every use, so it is warned of, and the trial formatting uses 1,000 in its
// place (the library's verdict on the text is the same).
#pragma once

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

}  // namespace Corvane
