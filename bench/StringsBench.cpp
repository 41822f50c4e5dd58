// Each engine-string operation the plugin uses, beside the same work done with
// std::u16string and fmt, in the same run. Engine strings live on the stand-in
// engine allocator, reached by name through the stand-in framework at every
// call, as on a server.
#include <fmt/xchar.h>

#include <cstdlib>
#include <vector>

#include "bench/RatioReporter.h"
#include "devhost/engine/Allocator.h"
#include "devhost/framework/Framework.h"
#include "engine/FMemory.h"
#include "engine/FString.h"
#include "engine/FromFormat.h"
#include "host/Velkor.h"

namespace {

using U16 = std::u16string;
static_assert(std::is_same_v<WideChar, char16_t>, "the baselines are std::u16string");

const WideChar* const kShort = u"fly";
const WideChar* const kLine = u"/cheat giveitem 10 20";
const WideChar* const kWord = u"giveitem";
const WideChar* const kFormat = u"{0} used the cheat command: {1}";
const U16 kLong(200, u'x');

bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() < b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < b.size(); ++i) {
        const auto fold = [](char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c - u'A' + u'a') : c; };
        if (fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
}

// The operations, each once; the engine's and the baseline's side by side.
const FString& EngineLine() {
    static const FString line = FString::FromWide(kLine);
    return line;
}
const U16& Line() {
    static const U16 line(kLine);
    return line;
}

FString FromWideShort() {
    return FString::FromWide(kShort);
}
U16 U16FromWideShort() {
    return U16(kShort);
}

FString FromWideLong() {
    return FString::FromWide(kLong.c_str());
}
U16 U16FromWideLong() {
    return U16(kLong.c_str());
}

FString Copy() {
    return FString(EngineLine());
}
U16 U16Copy() {
    return U16(Line());
}

// The permission name: "Cheat." joined with a word.
FString ConcatPermission() {
    static const FString word = FString::FromWide(kWord);
    return Concat(FString::FromNarrow("Cheat."), word);
}
U16 U16ConcatPermission() {
    static const U16 word(kWord);
    return U16(u"Cheat.") + word;
}

TEngineArray<FString> SplitChatLine() {
    TEngineArray<FString> words;
    SplitOnBlank(EngineLine(), words);
    return words;
}
std::vector<U16> U16SplitChatLine() {
    const U16& line = Line();
    std::vector<U16> words;
    for (std::size_t start = 0; start < line.size();) {
        const std::size_t blank = std::min(line.find(u' ', start), line.size());
        if (blank > start) {
            words.emplace_back(line, start, blank - start);
        }
        start = blank + 1;
    }
    return words;
}

// Stripping changes the line, so each round strips a fresh copy (in both).
FString StripPrefix() {
    static const FString prefix = FString::FromNarrow("/cheat ");
    FString copy(EngineLine());
    StripPrefixNoCase(copy, prefix);
    return copy;
}
U16 U16StripPrefix() {
    static const U16 prefix(u"/cheat ");
    U16 copy(Line());
    if (EqualNoCase(copy, prefix)) {
        copy.erase(0, prefix.size());
    }
    return copy;
}

FString FormatTwo() {
    return FromFormat(kFormat, WideStringView(u"Rex"), WideStringView(u"giveitem 10 20"));
}
U16 U16FormatTwo() {
    return fmt::format(fmt::basic_string_view<char16_t>(kFormat), std::u16string_view(u"Rex"),
                       std::u16string_view(u"giveitem 10 20"));
}

template <auto Operation>
void Measure(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(Operation());
    }
}

// Calls of the engine allocator (Realloc and Free) that one run of Operation
// makes, told by the framework's count of name resolutions: each call resolves
// its function anew, and the count does not depend on the allocator's mode
// (the lean one records nothing).
template <auto Operation>
std::size_t EngineCalls() {
    const auto resolutions = [] {
        return DevHost::ResolutionCount("FMemory.Realloc") + DevHost::ResolutionCount("FMemory.Free");
    };
    const std::uint64_t before = resolutions();
    Operation();
    return static_cast<std::size_t>(resolutions() - before);
}

struct Pair {
    const char* name;
    std::size_t (*engineCalls)();
};

#define CORVANE_BENCH_PAIR(name, engine, baseline)     \
    BENCHMARK(Measure<engine>)->Name("FString/" name); \
    BENCHMARK(Measure<baseline>)->Name("u16string/" name);

CORVANE_BENCH_PAIR("FromWide/short", FromWideShort, U16FromWideShort)
CORVANE_BENCH_PAIR("FromWide/200", FromWideLong, U16FromWideLong)
CORVANE_BENCH_PAIR("Copy", Copy, U16Copy)
CORVANE_BENCH_PAIR("Concat", ConcatPermission, U16ConcatPermission)
CORVANE_BENCH_PAIR("SplitOnBlank", SplitChatLine, U16SplitChatLine)
CORVANE_BENCH_PAIR("StripPrefixNoCase", StripPrefix, U16StripPrefix)
CORVANE_BENCH_PAIR("FromFormat", FormatTwo, U16FormatTwo)

const Pair kPairs[] = {
    {"FromWide/short", EngineCalls<FromWideShort>},
    {"FromWide/200", EngineCalls<FromWideLong>},
    {"Copy", EngineCalls<Copy>},
    {"Concat", EngineCalls<ConcatPermission>},
    {"SplitOnBlank", EngineCalls<SplitChatLine>},
    {"StripPrefixNoCase", EngineCalls<StripPrefix>},
    {"FromFormat", EngineCalls<FormatTwo>},
};

// Where the difference comes from: one block through the engine allocator
// (resolved by name at each call) against one block from the C library.
void EngineBlock(benchmark::State& state) {
    for (auto _ : state) {
        FMemory::Free(FMemory::Realloc(nullptr, 8));
    }
}
// The two parts of an engine block's price: finding the allocator's
// functions by name, and the stand-in allocator's own bookkeeping.
void ResolveByName(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetAddress("FMemory.Realloc"));
    }
}
void StandInBlock(benchmark::State& state) {
    auto& allocator = DevEngine::TheAllocator();
    for (auto _ : state) {
        allocator.Free(allocator.Realloc(nullptr, 8));
    }
}
void MallocBlock(benchmark::State& state) {
    for (auto _ : state) {
        void* block = std::malloc(8);
        benchmark::DoNotOptimize(block);
        std::free(block);
    }
}

BENCHMARK(EngineBlock)->Name("FMemory/block");
BENCHMARK(ResolveByName)->Name("GetAddress/by-name");
BENCHMARK(StandInBlock)->Name("stand-in-allocator/block");
BENCHMARK(MallocBlock)->Name("malloc/block");

// The engine's strings pay for every buffer with two calls through the
// engine allocator; the second column takes that price out.
void Summarise(const Bench::Times& times, std::ostream& out) {
    const auto block = times.find("FMemory/block");
    const auto malloc = times.find("malloc/block");
    if (block == times.end() || malloc == times.end()) {
        return;
    }
    const double perCall = block->second / 2;
    out << fmt::format("one engine block (Realloc + Free) costs {:.1f} ns, one malloc block {:.1f} ns\n",
                       block->second, malloc->second);
    const auto resolve = times.find("GetAddress/by-name");
    const auto standIn = times.find("stand-in-allocator/block");
    if (resolve != times.end() && standIn != times.end()) {
        out << fmt::format(
            "of which: two resolutions by name {:.1f} ns, the stand-in allocator {:.1f} ns\n\n",
            2 * resolve->second, standIn->second);
    }
    out << "FString operation / the same on std::u16string:\n";
    for (const Pair& pair : kPairs) {
        const auto engine = times.find(std::string("FString/") + pair.name);
        const auto baseline = times.find(std::string("u16string/") + pair.name);
        if (engine == times.end() || baseline == times.end()) {
            continue;
        }
        const std::size_t calls = pair.engineCalls();
        Bench::PrintRatio(out, pair.name, engine->second / baseline->second, 1.5);
        out << fmt::format("    {} engine allocator calls; without their cost {:.2f}\n", calls,
                           (engine->second - static_cast<double>(calls) * perCall) / baseline->second);
    }
}

}  // namespace

int main(int argc, char** argv) {
    return Bench::RunWithSummary(argc, argv, Summarise);
}
