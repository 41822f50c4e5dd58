// The engine's two colour types and the conversion between them.
#pragma once

#include <cstddef>
#include <cstdint>

// 8 bits a channel, in memory order B, G, R, A.
struct FColor8 {
    std::uint8_t B = 0;
    std::uint8_t G = 0;
    std::uint8_t R = 0;
    std::uint8_t A = 0;
};
static_assert(sizeof(FColor8) == 4);
static_assert(offsetof(FColor8, B) == 0 && offsetof(FColor8, G) == 1);
static_assert(offsetof(FColor8, R) == 2 && offsetof(FColor8, A) == 3);

// Linear colour, passed to the engine by value.
struct FLinearRGBA {
    float R = 0;
    float G = 0;
    float B = 0;
    float A = 0;
};
static_assert(sizeof(FLinearRGBA) == 16);
static_assert(offsetof(FLinearRGBA, R) == 0 && offsetof(FLinearRGBA, G) == 4);
static_assert(offsetof(FLinearRGBA, B) == 8 && offsetof(FLinearRGBA, A) == 12);

// Opaque yellow, the colour of announcements.
inline constexpr FColor8 kAnnouncementColour{.B = 0x00, .G = 0xFF, .R = 0xFF, .A = 0xFF};

// R, G and B through the sRGB decoding curve, A scaled linearly.
FLinearRGBA ToLinear(FColor8 colour);
