// The hidden seen-id box of the GTK window holding a large list: replacing
// its whole text (as at start-up), reading it whole, and appending one id
// (as every stored record does), with the longest main-loop stall. Ids are
// 19 digits and "\r\n", as the service's are. Needs a display.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/gtk_window_thread.h"

namespace feed {
namespace {


Text IdList(int count) {
  std::string ids;
  ids.reserve(static_cast<size_t>(count) * 21);
  for (int i = 0; i < count; ++i) {
    ids += "5230948571" + std::to_string(100000000 + i) + "\r\n";
  }
  return Text(std::move(ids));
}

void BM_SetWholeList(benchmark::State& state) {
  GtkMainWindow* window = window_thread->OpenWindow();
  if (window == nullptr) return state.SkipWithError("no display");
  const Text ids = IdList(static_cast<int>(state.range(0)));
  window_thread->ResetStall();
  for (auto _ : state) {
    window->SetEditText(EditBox::编辑框_去重复, ids);
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<int64_t>(ids.view().size()));
  state.counters["longest_stall_ms"] = window_thread->LongestStallMs();
  window_thread->CloseWindow();
}

void BM_ReadWholeList(benchmark::State& state) {
  GtkMainWindow* window = window_thread->OpenWindow();
  if (window == nullptr) return state.SkipWithError("no display");
  const Text ids = IdList(static_cast<int>(state.range(0)));
  window->SetEditText(EditBox::编辑框_去重复, ids);
  window_thread->ResetStall();
  for (auto _ : state) {
    benchmark::DoNotOptimize(window->EditText(EditBox::编辑框_去重复));
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<int64_t>(ids.view().size()));
  state.counters["longest_stall_ms"] = window_thread->LongestStallMs();
  window_thread->CloseWindow();
}

void BM_AppendOneId(benchmark::State& state) {
  GtkMainWindow* window = window_thread->OpenWindow();
  if (window == nullptr) return state.SkipWithError("no display");
  window->SetEditText(EditBox::编辑框_去重复,
                      IdList(static_cast<int>(state.range(0))));
  window_thread->ResetStall();
  const Text id("5230948571999999999\r\n");
  for (auto _ : state) {
    window->AppendEditText(EditBox::编辑框_去重复, id);
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["longest_stall_ms"] = window_thread->LongestStallMs();
  window_thread->CloseWindow();
}

BENCHMARK(BM_SetWholeList)->Arg(1000)->Arg(1000000)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadWholeList)->Arg(1000)->Arg(1000000)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AppendOneId)->Arg(0)->Arg(1000000)->Iterations(3000)
    ->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
}  // namespace feed

int main(int argc, char** argv) {
  return feed::RunGtkBenchmarks(argc, argv, "gtk_seen_id_box_bench");
}
