// Rows appended per second to the real Win32 list from a second thread, the
// way a collection run appends them with the check box cleared (per record:
// AddListRow, then ShowProgress: status line and scrolling), against the
// same work on the in-memory window with its loop running. Also the longest
// a single row took: the window's thread must never hold the run up long.
//
// Google Benchmark is not built for the Windows target, so this program
// times its own loops; run it under Wine with a display:
//   xvfb-run cmake/wine-run build/windows/bench/window_rows_bench.exe

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "collector/main_window.h"
#include "collector/record_handling.h"
#include "tests/support/fake_main_window.h"
#include "tests/support/scratch_directory.h"
#include "text/files.h"

namespace feed {
namespace {

using Clock = std::chrono::steady_clock;

struct Result {
  double rowsPerSecond = 0;
  double worstStallMs = 0;  // longest the window thread was held up
};

// Creates a window with |create| on a thread of its own, runs its loop, and
// appends |rows| rows from this thread.
template <typename Create>
Result AppendRows(Create create, int rows) {
  std::mutex mutex;
  std::condition_variable ready;
  MainWindow* window = nullptr;
  bool created = false;
  std::thread loop([&] {
    std::unique_ptr<MainWindow> owned = create();
    {
      std::lock_guard<std::mutex> lock(mutex);
      window = owned.get();
      created = true;
    }
    ready.notify_all();
    if (owned) owned->Run({});
  });
  {
    std::unique_lock<std::mutex> lock(mutex);
    ready.wait(lock, [&] { return created; });
  }
  Result result;
  if (!window) {
    loop.join();
    return result;
  }
  ScratchDirectory dir;
  RecordHandling records(*window, dir.path());
  FeedRecord record{"caption \xD6\xD0\xCE\xC4 #tag", "2026-12-01 08:09:10",
                    "5230948571230948571", "123456789", "\xD6\xD0\xCE\xC4",
                    "http://txmov2.a.yximgs.com/upic/2026/12/01/x_b.mp4"};
  window->RowCount(ListBox::超级列表框1);  // the loop is serving
  auto start = Clock::now();
  auto last = start;
  for (int i = 0; i < rows; ++i) {
    records.AddListRow(record);
    records.ShowProgress();
    auto now = Clock::now();
    double stall = std::chrono::duration<double, std::milli>(now - last).count();
    if (stall > result.worstStallMs) result.worstStallMs = stall;
    last = now;
  }
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  result.rowsPerSecond = rows / seconds;
  window->Quit();
  loop.join();
  return result;
}

// The start-up restore of a seen-id file of |ids| ids into the real
// window's hidden box (on the window's thread before its loop starts, as
// at start-up), then records stored from a second thread into the full
// box, as a run stores them. Prints both; false without a window.
bool RestoreThenStore(int ids) {
  ScratchDirectory dir;
  std::string list;
  for (int i = 0; i < ids; ++i) {
    list += std::to_string(5230948571230000000LL + i);
    list += "\r\n";
  }
  WriteWholeFile(ConcatText(dir.path(), kSeenIdFileName), Text(list));

  std::mutex mutex;
  std::condition_variable ready;
  MainWindow* window = nullptr;
  std::unique_ptr<RecordHandling> records;
  bool started = false;
  double restoreSeconds = 0;
  std::thread loop([&] {
    std::unique_ptr<MainWindow> owned = CreateMainWindow();
    if (owned) records = std::make_unique<RecordHandling>(*owned, dir.path());
    MainWindowEvents events;
    events.created = [&] {
      auto start = Clock::now();
      records->RestoreSeenIds();
      restoreSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    };
    {
      std::lock_guard<std::mutex> lock(mutex);
      window = owned.get();
      started = true;
    }
    ready.notify_all();
    if (owned) owned->Run(events);
  });
  {
    std::unique_lock<std::mutex> lock(mutex);
    ready.wait(lock, [&] { return started; });
  }
  if (!window) {
    loop.join();
    return false;
  }
  window->RowCount(ListBox::超级列表框1);
  window->IsChecked(CheckBox::选择框_是否去重复);  // the loop is serving
  std::mutex recordLock;
  const int kRecords = 500;
  auto start = Clock::now();
  for (int i = 0; i < kRecords; ++i) {
    FeedRecord record;
    record.photo_id = Text(std::to_string(7000000000000000000LL + i));
    records->HandleFeedRecord(record, recordLock);
    records->ShowProgress();
  }
  double each = std::chrono::duration<double, std::micro>(Clock::now() - start)
                    .count() / kRecords;
  window->Quit();
  loop.join();
  std::printf("restore of %d ids into the Win32 window: %.3f s\n", ids,
              restoreSeconds);
  std::printf("then one record stored from the run's thread: %.0f us\n", each);
  return true;
}

}  // namespace
}  // namespace feed

int main(int argc, char** argv) {
  if (argc > 2 && std::string(argv[1]) == "restore") {
    return feed::RestoreThenStore(std::atoi(argv[2])) ? 0 : 1;
  }
  int rows = argc > 1 ? std::atoi(argv[1]) : 20000;
  // The baseline hands every operation over to its loop: fewer rows do.
  feed::Result fake = feed::AppendRows(
      [] { return std::make_unique<feed::FakeMainWindow>(); },
      std::min(rows, 2000));
  feed::Result real = feed::AppendRows([] { return feed::CreateMainWindow(); }, rows);
  std::printf("%-40s %12s %14s\n", "window", "rows/s", "worst row ms");
  std::printf("%-40s %12.0f %14.2f\n", "in-memory window (baseline)",
              fake.rowsPerSecond, fake.worstStallMs);
  if (real.rowsPerSecond == 0) {
    std::printf("Win32 window: cannot be created here (no display?)\n");
    return 1;
  }
  std::printf("%-40s %12.0f %14.2f  %.3f x baseline\n", "Win32 list view",
              real.rowsPerSecond, real.worstStallMs,
              real.rowsPerSecond / fake.rowsPerSecond);
  return 0;
}
