// Rows appended to the GTK window's list the way a collection run appends
// them: from another thread, one synchronous hand-off per operation (insert
// the row, fill its seven cells, count the rows, show the status line,
// scroll to the row). Reports rows per second and the longest time the
// window's main loop went without running a 1 ms probe timer, against a
// baseline that makes the same changes on the window's own thread, with no
// hand-off at all. Needs a display (run under Xvfb).

#include <benchmark/benchmark.h>
#include <glib.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "bench/gtk_window_thread.h"
#include "collector/main_window_gtk.h"
#include "tests/support/feed_reply_fixture.h"
#include "text/code_page.h"

namespace feed {
namespace {

using Clock = std::chrono::steady_clock;

// Row texts as a run produces them, in code page 936.
struct RowTexts {
  Text cells[7];
};

const std::vector<RowTexts>& SampleRows() {
  static const std::vector<RowTexts> rows = [] {
    std::vector<RowTexts> out;
    for (const FixtureItem& item : MakeFixtureItems(64, 11)) {
      out.push_back({{Text(), Utf8ViewToGbk(item.user_name),
                      Text(item.user_id), Text(item.photo_id),
                      Utf8ViewToGbk(item.caption), Text(item.time),
                      Text(item.main_mv_url)}});
    }
    return out;
  }();
  return rows;
}


// One row as the collection run adds it.
void AppendRow(MainWindow& window, const RowTexts& texts, Text& status) {
  int row = window.InsertRow(ListBox::超级列表框1);
  window.SetCellText(ListBox::超级列表框1, row, 0, NumberToText(row));
  for (int column = 1; column < 7; ++column) {
    window.SetCellText(ListBox::超级列表框1, row, column, texts.cells[column]);
  }
  int count = window.RowCount(ListBox::超级列表框1);
  status = ConcatText("rows: ", NumberToText(count));
  window.SetLabelCaption(Label::透明标签3, status);
  window.MakeRowVisible(ListBox::超级列表框1, count - 1);
}

void Fill(MainWindow& window, int rows) {
  Text status;
  const auto& samples = SampleRows();
  for (int i = 0; i < rows; ++i) {
    AppendRow(window, samples[i % samples.size()], status);
  }
}

// |state.range(0)| rows already in the list when timing starts.
void BM_AppendRowByHandOff(benchmark::State& state) {
  GtkMainWindow* window = window_thread->OpenWindow();
  if (window == nullptr) {
    state.SkipWithError("no display");
    return;
  }
  window_thread->RunOnWindowThread(
      [&] { Fill(*window, static_cast<int>(state.range(0))); });
  const auto& samples = SampleRows();
  Text status;
  size_t i = 0;
  window_thread->ResetStall();
  double cpu_before = window_thread->CpuSeconds();
  for (auto _ : state) {
    AppendRow(*window, samples[i++ % samples.size()], status);
  }
  double rows = static_cast<double>(state.iterations());
  state.counters["window_cpu_us_per_row"] =
      (window_thread->CpuSeconds() - cpu_before) * 1e6 / rows;
  state.SetItemsProcessed(state.iterations());
  state.counters["longest_stall_ms"] = window_thread->LongestStallMs();
  state.counters["rows_in_list"] = window->RowCount(ListBox::超级列表框1);
  window_thread->CloseWindow();
}

// Baseline: the same changes made on the window's thread in batches of
// 100 rows, so almost nothing but GTK's own work is timed.
void BM_AppendRowOnWindowThread(benchmark::State& state) {
  GtkMainWindow* window = window_thread->OpenWindow();
  if (window == nullptr) {
    state.SkipWithError("no display");
    return;
  }
  window_thread->RunOnWindowThread(
      [&] { Fill(*window, static_cast<int>(state.range(0))); });
  window_thread->ResetStall();
  for (auto _ : state) {
    window_thread->RunOnWindowThread([&] { Fill(*window, 100); });
  }
  state.SetItemsProcessed(state.iterations() * 100);
  state.counters["longest_stall_ms"] = window_thread->LongestStallMs();
  window_thread->CloseWindow();
}

BENCHMARK(BM_AppendRowOnWindowThread)->Arg(0)->Arg(100000)->Iterations(200)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AppendRowByHandOff)->Arg(0)->Iterations(100000)
    ->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_AppendRowByHandOff)->Arg(100000)->Iterations(20000)
    ->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
}  // namespace feed

int main(int argc, char** argv) {
  return feed::RunGtkBenchmarks(argc, argv, "gtk_list_bench");
}
