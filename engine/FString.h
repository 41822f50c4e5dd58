// FString: the engine's wide string, a TEngineArray of 16-bit characters.
//
// When it has text, Count includes the terminating NUL. The empty string has
// Count 0 and, when freshly made, no buffer. The string owns its buffer, which
// lives on the engine allocator; copies are deep and exact (no slack).
//
// Strings made by the engine or the framework may lack their terminator, so
// every reader here stops at the first NUL or at Count, whichever comes first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/TEngineArray.h"
#include "host/WideChar.h"

class FString {
public:
    FString() = default;
    FString(const FString& other);
    FString& operator=(const FString& other);
    FString(FString&&) noexcept = default;
    FString& operator=(FString&&) noexcept = default;
    ~FString() = default;

    // Copies text up to its first NUL; null or empty text gives no buffer.
    // Throws std::length_error for text of kMaxArrayCount characters or more.
    static FString FromWide(const WideChar* text);
    // Each byte becomes one character; bytes of 0x80 and above become '?'.
    static FString FromNarrow(std::string_view literal);

    // Never null: a static empty text when the string has no characters.
    const WideChar* CStr() const;
    std::int32_t Length() const;
    // The text up to the first NUL or Count, whichever comes first.
    WideStringView View() const;

    TEngineArray<WideChar>& Chars() { return Chars_; }
    const TEngineArray<WideChar>& Chars() const { return Chars_; }

private:
    TEngineArray<WideChar> Chars_;
};

static_assert(sizeof(FString) == 16);

// Joins left and right. The result takes over left's buffer when left has
// text (leaving left without one) and grows it exactly; otherwise it is a copy
// of right. Throws std::length_error when the result would not fit.
FString Concat(FString&& left, const FString& right);

// Replaces the contents of pieces with the blank-separated (U+0020 only)
// non-empty pieces of text; returns their number.
std::int32_t SplitOnBlank(const FString& text, TEngineArray<FString>& pieces);

// Removes prefix from the front of text in place when text starts with it,
// ASCII letters compared without regard to case.
bool StripPrefixNoCase(FString& text, const FString& prefix);

namespace Corvane::Engine::detail {
// FromWide over an explicit length, embedded NULs included.
FString StringFromCharacters(const WideChar* text, std::size_t length);
}  // namespace Corvane::Engine::detail
