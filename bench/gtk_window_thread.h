// A thread that owns GTK for the GTK benchmarks: it initialises GTK and
// runs one window at a time, and a 1 ms probe timer on its loop keeps the
// longest gap between two runs of the timer (the longest stall).

#ifndef FEED_COLLECTOR_BENCH_GTK_WINDOW_THREAD_H_
#define FEED_COLLECTOR_BENCH_GTK_WINDOW_THREAD_H_

#include <benchmark/benchmark.h>
#include <glib.h>
#include <time.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include "collector/main_window_gtk.h"

namespace feed {

class WindowThread {
 public:
  using Clock = std::chrono::steady_clock;

  WindowThread() : thread_([this] { Main(); }) {}
  ~WindowThread() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }

  // A fresh window, shown; null without a display.
  GtkMainWindow* OpenWindow() {
    std::unique_lock<std::mutex> lock(mutex_);
    want_window_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return !want_window_; });
    return window_;
  }

  // Ends the current window's loop and waits until it is destroyed.
  void CloseWindow() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (window_ == nullptr) return;
    window_->Quit();
    changed_.wait(lock, [&] { return window_ == nullptr; });
  }

  // Runs |work| on the GTK thread (inside the window's loop) and waits.
  void RunOnWindowThread(std::function<void()> work) {
    std::promise<void> done;
    struct Job {
      std::function<void()> work;
      std::promise<void>* done;
    };
    auto* job = new Job{std::move(work), &done};
    // An idle source rather than g_main_context_invoke, which would run the
    // work right here whenever this thread manages to acquire the context.
    GSource* source = g_idle_source_new();
    g_source_set_callback(
        source,
        [](gpointer data) -> gboolean {
          auto* j = static_cast<Job*>(data);
          j->work();
          j->done->set_value();
          delete j;
          return G_SOURCE_REMOVE;
        },
        job, nullptr);
    g_source_attach(source, nullptr);
    g_source_unref(source);
    done.get_future().wait();
  }

  // Starts a new measurement; the gap up to now does not count.
  void ResetStall() {
    RunOnWindowThread([this] {
      last_probe_ = Clock::now();
      longest_gap_us_ = 0;
    });
  }

  // CPU time the GTK thread has used so far, in seconds.
  double CpuSeconds() {
    double seconds = 0;
    RunOnWindowThread([&] {
      timespec now;
      clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
      seconds = static_cast<double>(now.tv_sec) +
                static_cast<double>(now.tv_nsec) / 1e9;
    });
    return seconds;
  }
  double LongestStallMs() const {
    return static_cast<double>(longest_gap_us_.load()) / 1000.0;
  }

 private:
  void Main() {
    for (;;) {
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return stop_ || want_window_; });
        if (stop_) return;
      }
      std::unique_ptr<GtkMainWindow> window = CreateGtkMainWindow();
      MainWindowEvents events;
      // The window is handed out once it has been drawn for the first
      // time: fonts and styles are loaded then, which is no part of what
      // the benchmarks measure.
      events.created = [&] {
        last_probe_ = Clock::now();
        probe_ = g_timeout_add(1, Probe, this);
        g_signal_connect_after(window->controls().window, "draw",
                               G_CALLBACK(OnFirstDraw), this);
        first_window_ = window.get();
      };
      if (!window) {
        std::lock_guard<std::mutex> lock(mutex_);
        want_window_ = false;
        changed_.notify_all();
        continue;
      }
      window->Run(events);
      g_source_remove(probe_);
      window.reset();
      std::lock_guard<std::mutex> lock(mutex_);
      window_ = nullptr;
      changed_.notify_all();
    }
  }

  static gboolean OnFirstDraw(GtkWidget* widget, cairo_t*, gpointer data) {
    auto* self = static_cast<WindowThread*>(data);
    g_signal_handlers_disconnect_by_func(
        widget, reinterpret_cast<gpointer>(OnFirstDraw), data);
    std::lock_guard<std::mutex> lock(self->mutex_);
    self->window_ = self->first_window_;
    self->want_window_ = false;
    self->changed_.notify_all();
    return FALSE;
  }

  static gboolean Probe(gpointer data) {
    auto* self = static_cast<WindowThread*>(data);
    Clock::time_point now = Clock::now();
    long long gap = std::chrono::duration_cast<std::chrono::microseconds>(
                        now - self->last_probe_)
                        .count();
    self->last_probe_ = now;
    if (gap > self->longest_gap_us_.load()) self->longest_gap_us_ = gap;
    return G_SOURCE_CONTINUE;
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  bool stop_ = false;
  bool want_window_ = false;
  GtkMainWindow* window_ = nullptr;
  GtkMainWindow* first_window_ = nullptr;  // created, not drawn yet
  guint probe_ = 0;
  Clock::time_point last_probe_;
  std::atomic<long long> longest_gap_us_{0};
  std::thread thread_;
};

// The window thread of a GTK benchmark program, set by RunGtkBenchmarks.
inline WindowThread* window_thread = nullptr;

// The main() of a GTK benchmark program: it needs a display, and runs every
// registered benchmark with one window thread.
inline int RunGtkBenchmarks(int argc, char** argv, const char* program) {
  if (std::getenv("DISPLAY") == nullptr) {
    std::fprintf(stderr, "%s needs a display (run under Xvfb)\n", program);
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  WindowThread thread;
  window_thread = &thread;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace feed

#endif  // FEED_COLLECTOR_BENCH_GTK_WINDOW_THREAD_H_
