// fuzz_strings: sequences of engine-string operations on a few strings and one
// output array, each checked against the reference model after every step:
// characters, count, capacity (growth and slack as the rules give them),
// buffer or none, what readers see, and the engine allocator's live blocks.
// FromFormat is checked against the formatting library called directly.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>

#include "devhost/engine/Allocator.h"
#include "engine/FString.h"
#include "engine/FromFormat.h"
#include "fuzz/ConfigModel.h"
#include "fuzz/Require.h"
#include "fuzz/StringModel.h"

namespace {

using Fuzz::Require;
using Fuzz::StringModel;

constexpr std::size_t kSlots = 4;
constexpr std::int64_t kLongestJoin = 1 << 16;
constexpr int kMaxSteps = 64;

struct State {
    std::array<FString, kSlots> strings;
    std::array<StringModel, kSlots> models;
    TEngineArray<FString> pieces;
    Fuzz::PiecesModel piecesModel;
};

void Check(const FString& string, const StringModel& model) {
    const TEngineArray<WideChar>& chars = string.Chars();
    Require(chars.Count == model.Count(), "count differs from the model");
    Require(chars.Capacity == model.capacity, "capacity differs from the model");
    Require((chars.Data != nullptr) == (model.capacity != 0), "buffer present or missing against the model");
    Require(WideStringView(chars.Data, static_cast<std::size_t>(chars.Count)) == model.chars,
            "characters differ from the model");
    Require(string.View() == model.View(), "View differs from the model");
    Require(string.Length() == std::max(model.Count() - 1, 0), "Length differs from the model");
    Require(string.CStr() != nullptr && string.CStr()[0] == (model.chars.empty() ? 0 : model.chars[0]),
            "CStr differs from the model");
}

void CheckAll(const State& state, std::size_t baselineBlocks) {
    std::size_t buffers = 0;
    for (std::size_t i = 0; i < kSlots; ++i) {
        Check(state.strings[i], state.models[i]);
        buffers += state.models[i].capacity != 0;
    }
    Require(state.pieces.Count == static_cast<std::int32_t>(state.piecesModel.pieces.size()) &&
                state.pieces.Capacity == state.piecesModel.capacity,
            "the output array differs from the model");
    buffers += state.piecesModel.capacity != 0;
    for (std::int32_t i = 0; i < state.pieces.Count; ++i) {
        const StringModel& piece = state.piecesModel.pieces[static_cast<std::size_t>(i)];
        Check(state.pieces.Data[i], piece);
        buffers += piece.capacity != 0;
    }
    Require(DevEngine::TheAllocator().LiveBlocks() == baselineBlocks + buffers,
            "engine blocks differ from the strings' buffers");
}

// Short texts rich in what the operations look at (blanks, NULs, letters of
// the prefix, braces), now and then repeated into up to 10000 characters so
// that the large-slack rule comes into play.
WideString ConsumeText(FuzzedDataProvider& input) {
    WideString text;
    const auto length = input.ConsumeIntegralInRange<std::size_t>(0, 40);
    for (std::size_t i = 0; i < length && input.remaining_bytes() > 0; ++i) {
        const auto byte = input.ConsumeIntegral<std::uint8_t>();
        text += byte < 0xF0 ? static_cast<WideChar>(byte)
                            : static_cast<WideChar>(input.ConsumeIntegral<std::uint16_t>());
    }
    if (!text.empty() && input.ConsumeIntegralInRange<int>(0, 7) == 0) {
        const auto times = input.ConsumeIntegralInRange<std::size_t>(1, 250);
        WideString repeated;
        for (std::size_t i = 0; i < times; ++i) {
            repeated += text;
        }
        text = std::move(repeated);
    }
    return text;
}

void FormatStep(State& state, FuzzedDataProvider& input, std::size_t target, std::size_t a, std::size_t b) {
    const WideString format = ConsumeText(input);
    const WideStringView cut = WideStringView(format.c_str());
    if (Fuzz::HasLongDigitRun(cut)) {
        return;  // a width of gigabytes
    }
    const WideStringView first = state.strings[a].View();
    const WideStringView second = state.strings[b].View();
    std::string expectedError;
    WideString expected;
    try {
        expected = fmt::vformat(fmt::basic_string_view<WideChar>(cut.data(), cut.size()),
                                fmt::make_format_args<fmt::buffer_context<WideChar>>(
                                    fmt::basic_string_view<WideChar>(first.data(), first.size()),
                                    fmt::basic_string_view<WideChar>(second.data(), second.size())));
    } catch (const fmt::format_error& error) {
        expectedError = error.what();
    }
    try {
        state.strings[target] = FromFormat(format.c_str(), first, second);
        Require(expectedError.empty(), "FromFormat accepted what the library rejects");
        state.models[target] = Fuzz::ModelFromWide(expected);
    } catch (const fmt::format_error& error) {
        Require(expectedError == error.what(), "FromFormat failed unlike the library");
    }
}

void Step(State& state, FuzzedDataProvider& input) {
    const auto op = input.ConsumeIntegralInRange<int>(0, 8);
    const auto i = input.ConsumeIntegralInRange<std::size_t>(0, kSlots - 1);
    const auto j = input.ConsumeIntegralInRange<std::size_t>(0, kSlots - 1);
    auto& strings = state.strings;
    auto& models = state.models;
    switch (op) {
        case 0: {
            const WideString text = ConsumeText(input);
            const bool null = input.ConsumeBool();
            strings[i] = FString::FromWide(null ? nullptr : text.c_str());
            models[i] = Fuzz::ModelFromWide(null ? WideStringView() : WideStringView(text));
            break;
        }
        case 1: {
            const std::string bytes = input.ConsumeRandomLengthString(64);
            strings[i] = FString::FromNarrow(bytes);
            models[i] = Fuzz::ModelFromNarrow(bytes);
            break;
        }
        case 2: {
            FString copy(strings[j]);
            models[i] = Fuzz::ModelCopy(models[j]);
            strings[i] = std::move(copy);
            break;
        }
        case 3:
            strings[i] = strings[j];
            Fuzz::ModelAssign(models[i], models[j]);
            break;
        case 4: {
            if (std::int64_t{strings[i].Length()} + strings[j].Length() > kLongestJoin) {
                break;  // joining a string with itself doubles it: keep the inputs' memory bounded
            }
            const auto target = input.ConsumeIntegralInRange<std::size_t>(0, kSlots - 1);
            FString result = Concat(std::move(strings[i]), strings[j]);
            StringModel model = Fuzz::ModelConcat(models[i], models[j]);
            strings[target] = std::move(result);
            models[target] = std::move(model);
            break;
        }
        case 5: {
            const std::int32_t count = SplitOnBlank(strings[i], state.pieces);
            Require(count == Fuzz::ModelSplitOnBlank(models[i], state.piecesModel),
                    "SplitOnBlank counted wrong");
            break;
        }
        case 6: {
            const bool stripped = StripPrefixNoCase(strings[i], strings[j]);
            Require(stripped == Fuzz::ModelStripPrefixNoCase(models[i], models[j]),
                    "StripPrefixNoCase decided wrong");
            break;
        }
        case 7:
            FormatStep(state, input, i, j, input.ConsumeIntegralInRange<std::size_t>(0, kSlots - 1));
            break;
        case 8:
            strings[i] = FString();
            models[i] = StringModel{};
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::size_t blocks = DevEngine::TheAllocator().LiveBlocks();
    {
        State state;
        for (int step = 0; step < kMaxSteps && input.remaining_bytes() > 0; ++step) {
            Step(state, input);
            CheckAll(state, blocks);
        }
    }
    Require(DevEngine::TheAllocator().LiveBlocks() == blocks, "engine blocks outlived their strings");
    return 0;
}
