// The cost of one record as a run hands it over (HandleFeedRecord with the
// check box checked: the seen-id test, the id appended to the list, the row
// and the record line appended to the real record file), with 0, 10,000 and
// 1,000,000 ids already seen; and the start-up restore of a seen-id file of
// 1,000,000 ids. The window is the in-memory one, the files are real.

#include <benchmark/benchmark.h>

#include <mutex>
#include <string>

#include "bench/ratio_reporter.h"
#include "collector/record_handling.h"
#include "tests/support/fake_main_window.h"
#include "tests/support/scratch_directory.h"
#include "text/files.h"

namespace feed {
namespace {

// |count| 19-digit ids, one per line, as the seen-id file holds them.
std::string SeenIdList(int count) {
  std::string list;
  list.reserve(static_cast<size_t>(count) * 21);
  for (int i = 0; i < count; ++i) {
    list += std::to_string(5230948571230000000LL + i);
    list += "\r\n";
  }
  return list;
}

FeedRecord Record(int64_t id) {
  return FeedRecord{"caption \xD6\xD0\xCE\xC4 #tag", "2026-12-01 08:09:10",
                    Text(std::to_string(id)), "123456789", "\xD6\xD0\xCE\xC4",
                    "http://txmov2.a.yximgs.com/upic/2026/12/01/x_b.mp4"};
}

void BM_HandleFeedRecord(benchmark::State& state) {
  const int seen = static_cast<int>(state.range(0));
  ScratchDirectory dir;
  FakeMainWindow window;
  RecordHandling records(window, dir.path());
  WriteWholeFile(records.SeenIdFilePath(), Text(SeenIdList(seen)));
  records.RestoreSeenIds();
  std::mutex lock;
  // New ids, none of them seen: every record is stored.
  int64_t next = 7000000000000000000LL;
  for (auto _ : state) {
    records.HandleFeedRecord(Record(next++), lock);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HandleFeedRecord)
    ->Arg(0)->Arg(10000)->Arg(1000000)
    ->Unit(benchmark::kMicrosecond);

void BM_RestoreSeenIds(benchmark::State& state) {
  const int seen = static_cast<int>(state.range(0));
  ScratchDirectory dir;
  Text file = ConcatText(dir.path(), kSeenIdFileName);
  WriteWholeFile(file, Text(SeenIdList(seen)));
  for (auto _ : state) {
    FakeMainWindow window;
    RecordHandling records(window, dir.path());
    records.RestoreSeenIds();
    benchmark::DoNotOptimize(window.CurrentRevision(EditBox::编辑框_去重复));
  }
  state.SetItemsProcessed(state.iterations() * seen);
}
BENCHMARK(BM_RestoreSeenIds)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace feed

int main(int argc, char** argv) {
  return feed::RunBenchmarksWithRatios(
      argc, argv,
      {{"BM_HandleFeedRecord", "BM_HandleFeedRecord/0"}});
}
