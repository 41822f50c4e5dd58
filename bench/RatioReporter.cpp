#include "bench/RatioReporter.h"

#include <fmt/format.h>

#include <cstdlib>
#include <iostream>
#include <string_view>

#include "devhost/engine/Allocator.h"

namespace Bench {
namespace {

class Reporter final : public benchmark::ConsoleReporter {
public:
    explicit Reporter(Times& times) : ConsoleReporter(OO_Tabular), times_(times) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool single = run.run_type == Run::RT_Iteration;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (single || median) {
                // Aggregates come after their repetitions, so a median wins.
                times_[run.run_name.str()] = run.GetAdjustedCPUTime() * TimeUnitFactor(run.time_unit);
            }
        }
    }

private:
    static double TimeUnitFactor(benchmark::TimeUnit unit) {
        return 1e9 / benchmark::GetTimeUnitMultiplier(unit);
    }

    Times& times_;
};

// --engine-allocator=lean (the default) or accounting, taken off the command
// line before the benchmark library reads it.
DevEngine::Allocator::Mode TakeAllocatorMode(int& argc, char** argv) {
    constexpr std::string_view kFlag = "--engine-allocator=";
    auto mode = DevEngine::Allocator::Mode::Lean;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (!argument.starts_with(kFlag)) {
            argv[kept++] = argv[i];
        } else if (argument.substr(kFlag.size()) == "accounting") {
            mode = DevEngine::Allocator::Mode::Accounting;
        } else if (argument.substr(kFlag.size()) != "lean") {
            std::cerr << "unknown " << argument << " (lean or accounting)\n";
            std::exit(1);
        }
    }
    argc = kept;
    return mode;
}

}  // namespace

int RunWithSummary(int argc, char** argv, const Summary& summary) {
    const DevEngine::Allocator::Mode mode = TakeAllocatorMode(argc, argv);
    DevEngine::TheAllocator().SetMode(mode);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    Times times;
    Reporter reporter(times);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::cout << "\nengine allocator: "
              << (mode == DevEngine::Allocator::Mode::Lean ? "lean (counts live blocks only)"
                                                           : "accounting (the tests' stand-in)")
              << "\n\n";
    summary(times, std::cout);
    return 0;
}

void PrintRatio(std::ostream& out, const std::string& name, double ratio, double target) {
    const std::string verdict =
        ratio <= target ? "met" : fmt::format("missed by {:.0f}%", (ratio / target - 1) * 100);
    out << fmt::format("{:<34} {:>6.2f}  (target at most {:g}: {})\n", name, ratio, target, verdict);
}

}  // namespace Bench
