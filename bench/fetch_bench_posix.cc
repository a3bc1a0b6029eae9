// Fetches against the local feed simulator with a pause of 0: the product's
// collection run (web request, decoding, extraction, record handling with
// both files) against a curl and jq shell loop doing the same work.

#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>
#include <string>

#include "bench/ratio_reporter.h"
#include "collector/collection_run.h"
#include "collector/feed_access.h"
#include "collector/record_handling.h"
#include "tests/support/fake_main_window.h"
#include "text/stop_signal.h"

extern char** environ;

namespace feed {
namespace {

constexpr int kRunFetches = 50;
constexpr int kRunIterations = 5;
constexpr int kLoopFetches = 20;
// Enough made-up pages for every fetch of both benchmarks, so that the
// simulator only sends them.
constexpr char kPregeneratedPages[] = "400";

// The feed simulator on a free loopback port, for the whole program.
class Simulator {
 public:
  Simulator() {
    int out[2];
    if (pipe(out) != 0) std::abort();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string script = FEED_SOURCE_DIR "/tools/feed-sim/feed_sim.py";
    const char* argv[] = {"python3", script.c_str(), "--port", "0",
                          "--quiet", "--pregenerate", kPregeneratedPages,
                          nullptr};
    if (posix_spawnp(&pid_, "python3", &actions, nullptr,
                     const_cast<char**>(argv), environ) != 0) {
      std::perror("python3");
      std::abort();
    }
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    // "feed-sim listening on http://127.0.0.1:PORT/"
    FILE* lines = fdopen(out[0], "r");
    char line[256] = "";
    if (fgets(line, sizeof line, lines) == nullptr) std::abort();
    fclose(lines);
    std::string text = line;
    base_ = text.substr(text.find("http://"));
    base_ = base_.substr(0, base_.rfind('/'));
  }
  ~Simulator() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  // "http://127.0.0.1:PORT"
  const std::string& base() const { return base_; }

 private:
  pid_t pid_ = 0;
  std::string base_;
};

Simulator& TheSimulator() {
  static Simulator simulator;
  return simulator;
}

std::string MakeDirectory() {
  char name[] = "/tmp/fetch-bench-XXXXXX";
  if (mkdtemp(name) == nullptr) std::abort();
  return name;
}

void RemoveDirectory(const std::string& directory) {
  std::string command = "rm -rf '" + directory + "'";
  if (std::system(command.c_str()) != 0) std::abort();
}

// Reply bytes per fetch as the collection run saw them; the shell loop is
// credited with the same, so that the ratio compares fetches per second.
double g_bytes_per_fetch = 0;

void BM_CollectionRun(benchmark::State& state) {
  FeedAccess access = ProductFeedAccess();
  std::string url = FeedRequestUrl().str();
  access.url = Text(TheSimulator().base() + url.substr(url.find("/rest/")));
  int64_t bytes = 0;
  auto fetch = access.fetch;
  access.fetch = [&](const Text& u, const Text& b, Text& cookies,
                     Text& statusText, const StopSignal& stop) {
    Text reply = fetch(u, b, cookies, statusText, stop);
    bytes += static_cast<int64_t>(reply.str().size());
    return reply;
  };
  for (auto _ : state) {
    state.PauseTiming();
    std::string directory = MakeDirectory();
    FakeMainWindow window;
    window.TypeEditText(EditBox::编辑框_采集次数,
                        Text(std::to_string(kRunFetches)));
    window.TypeEditText(EditBox::编辑框_采集延时, "0");
    RecordHandling records(window, Text(directory));
    std::mutex lock;
    StopSignal stop;
    state.ResumeTiming();
    CollectionRun(window, records, access, lock, stop);
    state.PauseTiming();
    if (window.RowsNow() == 0) state.SkipWithError("no rows collected");
    RemoveDirectory(directory);
    state.ResumeTiming();
  }
  int64_t fetches = state.iterations() * kRunFetches;
  g_bytes_per_fetch = static_cast<double>(bytes) / static_cast<double>(fetches);
  state.SetItemsProcessed(fetches);
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_CollectionRun)
    ->Iterations(kRunIterations)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_CurlJqLoop(benchmark::State& state) {
  std::string directory = MakeDirectory();
  std::string command = std::string("'" FEED_SOURCE_DIR
                                    "/bench/curl_jq_fetch_loop.sh' '") +
                        TheSimulator().base() + "' " +
                        std::to_string(kLoopFetches) + " '" + directory + "'";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("the shell loop failed");
    }
  }
  RemoveDirectory(directory);
  int64_t fetches = state.iterations() * kLoopFetches;
  state.SetItemsProcessed(fetches);
  state.SetBytesProcessed(
      static_cast<int64_t>(g_bytes_per_fetch * static_cast<double>(fetches)));
}
BENCHMARK(BM_CurlJqLoop)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace feed

int main(int argc, char** argv) {
  return feed::RunBenchmarksWithRatios(
      argc, argv, {{"BM_", "BM_CurlJqLoop/iterations:1/real_time"}});
}
