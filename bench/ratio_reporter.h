// A console reporter that, after the usual table, prints each benchmark's
// throughput as a multiple of a named baseline measured in the same run.
// Comparing within one run keeps the figures meaningful on a shared,
// noisy machine.

#ifndef FEED_COLLECTOR_BENCH_RATIO_REPORTER_H_
#define FEED_COLLECTOR_BENCH_RATIO_REPORTER_H_

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace feed {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  // |baselines| maps a benchmark name prefix to the name of its baseline.
  explicit RatioReporter(std::map<std::string, std::string> baselines)
      : baselines_(std::move(baselines)) {}

  void ReportRuns(const std::vector<Run>& runs) override;
  void Finalize() override;

 private:
  std::map<std::string, std::string> baselines_;
  std::map<std::string, double> bytes_per_second_;
  std::vector<std::string> order_;
};

// Runs every registered benchmark with a RatioReporter; returns the exit code.
int RunBenchmarksWithRatios(int argc, char** argv,
                            std::map<std::string, std::string> baselines);

}  // namespace feed

#endif  // FEED_COLLECTOR_BENCH_RATIO_REPORTER_H_
