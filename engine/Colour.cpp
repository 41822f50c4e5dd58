#include "engine/Colour.h"

#include <array>
#include <cmath>

namespace {

// sRGB decoding (IEC 61966-2-1) of every 8-bit value, in double precision.
std::array<double, 256> MakeSrgbTable() {
    std::array<double, 256> table{};
    for (std::size_t i = 0; i < table.size(); ++i) {
        const double v = static_cast<double>(i) / 255.0;
        table[i] = v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    }
    return table;
}

const std::array<double, 256>& SrgbTable() {
    static const std::array<double, 256> table = MakeSrgbTable();
    return table;
}

// The float nearest to 1/255 (bits 0x3B808081).
constexpr float kOneOver255 = 1.0f / 255.0f;

}  // namespace

FLinearRGBA ToLinear(FColor8 colour) {
    const auto& table = SrgbTable();
    return FLinearRGBA{
        .R = static_cast<float>(table[colour.R]),
        .G = static_cast<float>(table[colour.G]),
        .B = static_cast<float>(table[colour.B]),
        .A = static_cast<float>(colour.A) * kOneOver255,
    };
}
