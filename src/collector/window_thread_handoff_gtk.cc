#include "collector/window_thread_handoff_gtk.h"

#include <glib.h>

#include <algorithm>
#include <chrono>

namespace feed {
namespace {
// How long a caller polls for its answer before it blocks.
constexpr std::chrono::microseconds kSpin(50);
// How long the owning thread looks out for another request after serving
// one, and for how long at most it serves requests in one go.
constexpr std::chrono::microseconds kLinger(100);
constexpr std::chrono::milliseconds kBurstLimit(4);
}  // namespace

// A GLib source that is ready whenever work is queued. It is attached once,
// on the owning thread; callers only raise a flag and wake the context, so
// none of their data passes through GLib's own queues.
struct WindowThreadHandoff::Source {
  GSource base;  // first: GLib allocates and frees the whole struct
  WindowThreadHandoff* owner;
  GMainContext* context;

  static Source* Of(GSource* source) {
    return reinterpret_cast<Source*>(source);
  }
  static gboolean Prepare(GSource* source, gint* timeout) {
    *timeout = -1;
    return Of(source)->owner->pending_.load();
  }
  static gboolean Check(GSource* source) {
    return Of(source)->owner->pending_.load();
  }
  static gboolean Dispatch(GSource* source, GSourceFunc, gpointer) {
    Of(source)->owner->RunQueued();
    return G_SOURCE_CONTINUE;
  }
  static void Finalize(GSource* source) {
    g_main_context_unref(Of(source)->context);
  }
  static GSourceFuncs funcs;
};

GSourceFuncs WindowThreadHandoff::Source::funcs = {
    Prepare, Check, Dispatch, Finalize, nullptr, nullptr};

WindowThreadHandoff::WindowThreadHandoff()
    : owner_(std::this_thread::get_id()) {
  GSource* source = g_source_new(&Source::funcs, sizeof(Source));
  source_ = Source::Of(source);
  source_->owner = this;
  source_->context = g_main_context_ref_thread_default();
  g_source_set_priority(source, G_PRIORITY_DEFAULT);
  g_source_set_name(source, "window thread hand-off");
  g_source_attach(source, source_->context);
}

WindowThreadHandoff::~WindowThreadHandoff() {
  Close();
  g_source_destroy(&source_->base);
  g_source_unref(&source_->base);
}

bool WindowThreadHandoff::OnOwningThread() const {
  return std::this_thread::get_id() == owner_;
}

bool WindowThreadHandoff::Call(const std::function<void()>& work) {
  if (OnOwningThread()) {
    if (closed_.load()) return false;
    work();
    return true;
  }
  Request request{&work};
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_.load()) return false;
    queue_.push_back(&request);
    pending_.store(true);
    if (!draining_) g_main_context_wakeup(source_->context);
  }
  // Going to sleep and being woken costs more than most operations take,
  // so poll for a short while before blocking.
  auto spin_until = std::chrono::steady_clock::now() + kSpin;
  while (std::chrono::steady_clock::now() < spin_until) {
    if (request.done.load(std::memory_order_acquire)) return true;
    if (closed_.load()) break;
    std::this_thread::yield();
  }
  std::unique_lock<std::mutex> lock(mutex_);
  finished_.wait(lock, [&] { return request.done.load() || closed_.load(); });
  return request.done.load();
}

void WindowThreadHandoff::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_.store(true);
    // Requests still queued were never started; their callers see the
    // close and return without them.
    queue_.clear();
    pending_.store(false);
  }
  finished_.notify_all();
}

void WindowThreadHandoff::RunQueued() {
  using Clock = std::chrono::steady_clock;
  // A caller sends its next operation a few microseconds after the last
  // one returned. Serving a whole burst in one dispatch, and looking out
  // briefly for the next request, saves a full turn of the main loop per
  // operation. The burst is cut off after kBurstLimit so that input and
  // redraws keep their turn.
  const Clock::time_point burst_end = Clock::now() + kBurstLimit;
  std::unique_lock<std::mutex> lock(mutex_);
  draining_ = true;
  for (;;) {
    if (closed_.load()) break;
    if (queue_.empty()) {
      lock.unlock();
      Clock::time_point linger_end =
          std::min(Clock::now() + kLinger, burst_end);
      while (!pending_.load() && !closed_.load() &&
             Clock::now() < linger_end) {
        std::this_thread::yield();
      }
      lock.lock();
      if (queue_.empty()) break;
    }
    Request* request = queue_.front();
    queue_.pop_front();
    pending_.store(!queue_.empty());
    lock.unlock();
    (*request->work)();
    lock.lock();
    // The caller may return as soon as it sees this: |request| is not
    // touched again.
    request->done.store(true, std::memory_order_release);
    finished_.notify_all();
    if (Clock::now() >= burst_end) break;
  }
  // Still under the lock: a request queued from here on wakes the context.
  draining_ = false;
  pending_.store(!queue_.empty());
}

}  // namespace feed
