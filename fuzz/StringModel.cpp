#include "fuzz/StringModel.h"

#include <limits>
#include <utility>

namespace Fuzz {
namespace {

constexpr std::int32_t kMaxCount = std::numeric_limits<std::int32_t>::max();

WideChar FoldAscii(WideChar c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<WideChar>(c - 'A' + 'a') : c;
}

StringModel Filled(WideStringView text) {
    StringModel model;
    model.chars = WideString(text) + WideChar{0};
    model.capacity = GrownCapacity(model.Count(), 0);
    return model;
}

}  // namespace

WideString StringModel::View() const {
    return chars.substr(0, chars.find(WideChar{0}));
}

std::int32_t GrownCapacity(std::int64_t count, std::int32_t capacity) {
    if (capacity == 0 && count <= 4) {
        return 4;
    }
    const auto sum = static_cast<std::int32_t>(static_cast<std::uint32_t>(count + count * 3 / 8 + 16));
    return sum < count ? kMaxCount : sum;
}

std::int32_t ShrunkCapacity(std::int32_t count, std::int32_t capacity, std::int64_t elementSize) {
    const std::int64_t slack = std::int64_t{capacity} - count;
    if ((slack * elementSize < 16384 && 3 * std::int64_t{count} >= 2 * std::int64_t{capacity}) ||
        (slack <= 64 && count != 0)) {
        return capacity;
    }
    return count;
}

StringModel ModelFromWide(WideStringView text) {
    const WideStringView cut = text.substr(0, text.find(WideChar{0}));
    return cut.empty() ? StringModel{} : Filled(cut);
}

StringModel ModelFromNarrow(std::string_view bytes) {
    WideString text;
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        text += value < 0x80 ? static_cast<WideChar>(value) : WideChar{'?'};
    }
    return Filled(text);
}

StringModel ModelCopy(const StringModel& source) {
    return {source.chars, source.Count()};
}

void ModelAssign(StringModel& target, const StringModel& source) {
    if (&target == &source) {
        return;
    }
    const bool resized = source.Count() != 0 || target.capacity != 0;
    target.chars = source.chars;
    target.capacity = resized ? source.Count() : 0;
}

StringModel ModelConcat(StringModel& left, const StringModel& rightOperand) {
    if (left.Count() <= 1) {
        return ModelCopy(rightOperand);
    }
    const StringModel right = rightOperand;  // left and right may be one string
    StringModel result = std::exchange(left, StringModel{});
    const std::int32_t added = right.Count() > 0 ? right.Count() - 1 : 0;
    const std::int32_t count = result.Count() + added;
    if (count > result.capacity) {
        result.capacity = count;
    }
    if (added > 0) {
        result.chars.pop_back();
        result.chars += right.chars.substr(0, static_cast<std::size_t>(added));
        result.chars += WideChar{0};
    }
    return result;
}

bool ModelStripPrefixNoCase(StringModel& text, const StringModel& prefix) {
    if (prefix.Count() <= 1) {
        return false;
    }
    const auto length = static_cast<std::size_t>(prefix.Count() - 1);
    const WideString view = text.View();
    if (view.size() < length) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (FoldAscii(view[i]) != FoldAscii(prefix.chars[i])) {
            return false;
        }
    }
    text.chars.erase(0, length);
    text.capacity = ShrunkCapacity(text.Count(), text.capacity, sizeof(WideChar));
    return true;
}

std::int32_t ModelSplitOnBlank(const StringModel& text, PiecesModel& output) {
    output.pieces.clear();
    if (text.capacity == 0) {
        return 0;
    }
    const WideString view = text.View();
    std::size_t start = 0;
    while (start < view.size()) {
        const std::size_t blank = std::min(view.find(WideChar{' '}, start), view.size());
        if (blank > start) {
            output.pieces.push_back(Filled(WideStringView(view).substr(start, blank - start)));
            const auto count = static_cast<std::int32_t>(output.pieces.size());
            if (count > output.capacity) {
                output.capacity = GrownCapacity(count, output.capacity);
            }
        }
        start = blank + 1;
    }
    return static_cast<std::int32_t>(output.pieces.size());
}

}  // namespace Fuzz
