// FChatEntry: the engine's chat record, read by the engine by layout.
//
// The record owns its six strings. Copies are field by field (strings copied
// exactly, padding not copied); destruction frees the strings in reverse
// order of the layout.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/FString.h"
#include "host/EngineObjects.h"

struct FChatEntry {
    FString FromName;              // 0
    FString AuxText1;              // 16
    FString AuxText2;              // 32
    std::int32_t AuxWord1 = 0;     // 48, then 4 bytes of padding
    FString Text;                  // 56
    FString AuxText3;              // 72
    std::int32_t AuxWord2 = 0;     // 88, then 4 bytes of padding
    double AuxReal = -1.0;         // 96
    std::uint8_t AuxByte1 = 0;     // 104, then 3 bytes of padding
    std::int32_t AuxWord3 = 0;     // 108
    std::uint8_t AuxByte2 = 0;     // 112, then 7 bytes of padding
    UObject* AuxObject = nullptr;  // 120
    FString AuxText4;              // 128
};

static_assert(sizeof(FChatEntry) == 144);
static_assert(offsetof(FChatEntry, FromName) == 0);
static_assert(offsetof(FChatEntry, AuxText1) == 16);
static_assert(offsetof(FChatEntry, AuxText2) == 32);
static_assert(offsetof(FChatEntry, AuxWord1) == 48);
static_assert(offsetof(FChatEntry, Text) == 56);
static_assert(offsetof(FChatEntry, AuxText3) == 72);
static_assert(offsetof(FChatEntry, AuxWord2) == 88);
static_assert(offsetof(FChatEntry, AuxReal) == 96);
static_assert(offsetof(FChatEntry, AuxByte1) == 104);
static_assert(offsetof(FChatEntry, AuxWord3) == 108);
static_assert(offsetof(FChatEntry, AuxByte2) == 112);
static_assert(offsetof(FChatEntry, AuxObject) == 120);
static_assert(offsetof(FChatEntry, AuxText4) == 128);
