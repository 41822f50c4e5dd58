// A console reporter that also keeps the CPU time of every benchmark (the
// median when repetitions are asked for), so that a program can state its
// targets as ratios of times measured in the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <ostream>
#include <string>

namespace Bench {

// CPU nanoseconds per iteration, by benchmark name.
using Times = std::map<std::string, double>;
using Summary = std::function<void(const Times& times, std::ostream& out)>;

// Runs the benchmarks selected on the command line, then prints the summary.
// The engine allocator is the stand-in's lean mode unless the command line
// says --engine-allocator=accounting.
int RunWithSummary(int argc, char** argv, const Summary& summary);

// One line of a summary: "name  ratio  (target at most T: met | missed by N%)".
void PrintRatio(std::ostream& out, const std::string& name, double ratio, double target);

}  // namespace Bench
