#include "bench/ratio_reporter.h"

#include <cstdio>

namespace feed {

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    if (run.run_type != Run::RT_Iteration) continue;
    // Throughput in bytes, or else in items (records, rows) per second.
    auto it = run.counters.find("bytes_per_second");
    if (it == run.counters.end()) it = run.counters.find("items_per_second");
    if (it == run.counters.end()) continue;
    std::string name = run.benchmark_name();
    if (!bytes_per_second_.count(name)) order_.push_back(name);
    bytes_per_second_[name] = it->second.value;
  }
}

void RatioReporter::Finalize() {
  ConsoleReporter::Finalize();
  std::printf("\n%-48s %12s  %s\n", "benchmark", "M/s",
              "ratio to baseline (M/s: MB, or millions of items)");
  for (const std::string& name : order_) {
    double rate = bytes_per_second_[name];
    std::string baseline;
    for (const auto& [prefix, base] : baselines_) {
      if (name.rfind(prefix, 0) == 0) baseline = base;
    }
    auto base = bytes_per_second_.find(baseline);
    if (baseline.empty() || base == bytes_per_second_.end() || name == baseline) {
      std::printf("%-48s %12.3f\n", name.c_str(), rate / 1e6);
    } else {
      std::printf("%-48s %12.3f  %.3f x %s\n", name.c_str(), rate / 1e6,
                  rate / base->second, baseline.c_str());
    }
  }
}

int RunBenchmarksWithRatios(int argc, char** argv,
                            std::map<std::string, std::string> baselines) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter(std::move(baselines));
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

}  // namespace feed
