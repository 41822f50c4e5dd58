#include "bench/RatioReporter.h"

#include <fmt/format.h>

#include <iostream>

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

}  // namespace

int RunWithSummary(int argc, char** argv, const Summary& summary) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    Times times;
    Reporter reporter(times);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::cout << '\n';
    summary(times, std::cout);
    return 0;
}

void PrintRatio(std::ostream& out, const std::string& name, double ratio, double target) {
    const std::string verdict =
        ratio <= target ? "met" : fmt::format("missed by {:.0f}%", (ratio / target - 1) * 100);
    out << fmt::format("{:<34} {:>6.2f}  (target at most {:.1f}: {})\n", name, ratio, target, verdict);
}

}  // namespace Bench
