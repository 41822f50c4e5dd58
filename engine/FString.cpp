#include "engine/FString.h"

#include <stdexcept>
#include <string>

#include "engine/WideRuntime.h"

namespace {

const WideChar kEmptyText[1] = {0};

using Traits = std::char_traits<WideChar>;

void CopyCharacters(FString& target, const FString& source) {
    Traits::copy(target.Chars().Data, source.Chars().Data, static_cast<std::size_t>(source.Chars().Count));
}

// Fills a string that has no buffer with text and a terminator.
void FillFresh(TEngineArray<WideChar>& chars, const WideChar* text, std::int32_t length) {
    chars.Count = length + 1;
    try {
        chars.GrowForCount();
    } catch (...) {
        chars.Count = 0;  // never leave a count without a buffer behind
        throw;
    }
    Traits::copy(chars.Data, text, static_cast<std::size_t>(length));
    chars.Data[length] = 0;
}

void CheckFits(std::size_t length) {
    if (length >= static_cast<std::size_t>(Corvane::Engine::kMaxArrayCount)) {
        throw std::length_error("text too long for an engine string");
    }
}

}  // namespace

FString Corvane::Engine::detail::StringFromCharacters(const WideChar* text, std::size_t length) {
    CheckFits(length);
    FString result;
    if (length != 0) {
        FillFresh(result.Chars(), text, static_cast<std::int32_t>(length));
    }
    return result;
}

FString FString::FromWide(const WideChar* text) {
    return Corvane::Engine::detail::StringFromCharacters(text, text == nullptr ? 0 : Traits::length(text));
}

FString FString::FromNarrow(std::string_view literal) {
    CheckFits(literal.size());
    FString result;
    TEngineArray<WideChar>& chars = result.Chars_;
    chars.Count = static_cast<std::int32_t>(literal.size()) + 1;
    chars.GrowForCount();
    for (std::size_t i = 0; i < literal.size(); ++i) {
        const auto byte = static_cast<unsigned char>(literal[i]);
        chars.Data[i] = byte < 0x80 ? static_cast<WideChar>(byte) : WideChar{'?'};
    }
    chars.Data[literal.size()] = 0;
    return result;
}

FString::FString(const FString& other) {
    if (other.Chars_.Count != 0) {
        Chars_.ResizeExact(other.Chars_.Count, 0);
        Chars_.Count = other.Chars_.Count;
        CopyCharacters(*this, other);
    }
}

FString& FString::operator=(const FString& other) {
    if (this == &other) {
        return *this;
    }
    const std::int32_t count = other.Chars_.Count;
    if (count != 0 || Chars_.Capacity != 0) {
        Chars_.ResizeExact(count, Chars_.Capacity);
        Chars_.Count = count;
        CopyCharacters(*this, other);
    } else {
        Chars_.Count = 0;
        Chars_.Capacity = 0;
    }
    return *this;
}

const WideChar* FString::CStr() const {
    return Chars_.Count != 0 ? Chars_.Data : kEmptyText;
}

std::int32_t FString::Length() const {
    return Chars_.Count > 0 ? Chars_.Count - 1 : 0;
}

WideStringView FString::View() const {
    if (Chars_.Count <= 0) {
        return {};
    }
    const auto count = static_cast<std::size_t>(Chars_.Count);
    const WideChar* nul = Traits::find(Chars_.Data, count, WideChar{0});
    return {Chars_.Data, nul != nullptr ? static_cast<std::size_t>(nul - Chars_.Data) : count};
}

FString Concat(FString&& left, const FString& right) {
    if (left.Chars().Count <= 1) {
        return right;
    }
    if (&left == &right) {
        // Taking over left's buffer would also take right's text away.
        // NOLINTNEXTLINE(performance-unnecessary-copy-initialization): right is left, moved from below.
        const FString copy(right);
        return Concat(std::move(left), copy);
    }
    const std::int32_t leftCount = left.Chars().Count;
    const std::int32_t added = right.Length();
    if (std::int64_t{leftCount} + added > Corvane::Engine::kMaxArrayCount) {
        throw std::length_error("text too long for an engine string");
    }
    FString result(std::move(left));
    TEngineArray<WideChar>& chars = result.Chars();
    const std::int32_t count = leftCount + added;
    if (count > chars.Capacity) {
        chars.ResizeExact(count, chars.Capacity);
    }
    if (added > 0) {
        chars.Count = count;
        Traits::copy(chars.Data + leftCount - 1, right.Chars().Data, static_cast<std::size_t>(added));
        chars.Data[count - 1] = 0;
    }
    return result;
}

std::int32_t SplitOnBlank(const FString& text, TEngineArray<FString>& pieces) {
    pieces.DropElements();
    if (text.Chars().Data == nullptr) {
        return 0;
    }
    const WideStringView rest = text.View();
    std::size_t start = 0;
    while (start < rest.size()) {
        std::size_t blank = rest.find(WideChar{' '}, start);
        if (blank == WideStringView::npos) {
            blank = rest.size();
        }
        if (blank > start) {
            FString& piece = pieces.AppendDefault();
            FillFresh(piece.Chars(), rest.data() + start, static_cast<std::int32_t>(blank - start));
        }
        start = blank + 1;
    }
    return pieces.Count;
}

bool StripPrefixNoCase(FString& text, const FString& prefix) {
    if (prefix.Chars().Count <= 1) {
        return false;
    }
    const std::int32_t length = prefix.Length();
    const WideStringView view = text.View();
    if (view.size() < static_cast<std::size_t>(length) ||
        Corvane::Engine::detail::CompareNoCase(view.data(), prefix.CStr(),
                                               static_cast<std::size_t>(length)) != 0) {
        return false;
    }
    TEngineArray<WideChar>& chars = text.Chars();
    Traits::move(chars.Data, chars.Data + length, static_cast<std::size_t>(chars.Count - length));
    chars.Count -= length;
    chars.ReleaseSlack();
    return true;
}
