// The reference model of an engine string: every character it counts (the
// terminator included) in a std::u16string-like WideString, and its capacity.
// The operations follow the engine's rules as written, independently of the
// engine bridge's own code.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "host/WideChar.h"

namespace Fuzz {

struct StringModel {
    WideString chars;  // Count characters
    std::int32_t capacity = 0;

    std::int32_t Count() const { return static_cast<std::int32_t>(chars.size()); }
    // What a reader sees: up to the first NUL or Count.
    WideString View() const;
};

// The growth rule, with the engine's 32-bit sum and its overflow.
std::int32_t GrownCapacity(std::int64_t count, std::int32_t capacity);
// The slack rule after removal, for elements of elementSize bytes.
std::int32_t ShrunkCapacity(std::int32_t count, std::int32_t capacity, std::int64_t elementSize);

StringModel ModelFromWide(WideStringView text);  // text is cut at its first NUL
StringModel ModelFromNarrow(std::string_view bytes);
StringModel ModelCopy(const StringModel& source);
void ModelAssign(StringModel& target, const StringModel& source);
// Changes left as the engine's Concat leaves it.
StringModel ModelConcat(StringModel& left, const StringModel& right);
bool ModelStripPrefixNoCase(StringModel& text, const StringModel& prefix);

// The output array of SplitOnBlank: its pieces and its own capacity.
struct PiecesModel {
    std::vector<StringModel> pieces;
    std::int32_t capacity = 0;
};
std::int32_t ModelSplitOnBlank(const StringModel& text, PiecesModel& output);

}  // namespace Fuzz
