// The code points that show nothing or steer how text shows (Unicode's
// Default_Ignorable_Code_Point and general category Cf): a table generated
// from the Unicode data by scripts/invisible-table.sh.
#pragma once

#include <span>

namespace Corvane::Engine {

struct CodeRange {
    char32_t first;
    char32_t last;
};

// In order, none touching another.
std::span<const CodeRange> InvisibleRanges();

}  // namespace Corvane::Engine
