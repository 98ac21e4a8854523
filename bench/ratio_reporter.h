// A console reporter that also keeps each benchmark's median time, so that
// a benchmark program can print its ratios against a baseline of the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> seconds;  // median real time per benchmark, in the run's unit
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (!run.error_occurred && run.aggregate_name == "median") {
        seconds[run.run_name.function_name] = run.GetAdjustedRealTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  // Runs the benchmarks the command line selects, reporting here.
  void RunAll(int* argc, char** argv) {
    benchmark::Initialize(argc, argv);
    benchmark::RunSpecifiedBenchmarks(this);
    benchmark::Shutdown();
  }
  // The median of a benchmark, or -1 when it is missing.
  double Median(const std::string& name) const {
    const auto it = seconds.find(name);
    return it == seconds.end() ? -1.0 : it->second;
  }
  // a / b of two medians, or -1 when either is missing.
  double Ratio(const std::string& a, const std::string& b) const {
    const auto x = seconds.find(a), y = seconds.find(b);
    return x == seconds.end() || y == seconds.end() ? -1.0 : x->second / y->second;
  }
};
