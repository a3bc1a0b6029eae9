#include "collector/window_thread_handoff_gtk.h"

#include <glib.h>

namespace feed {

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
  std::unique_lock<std::mutex> lock(mutex_);
  if (closed_.load()) return false;
  queue_.push_back(&request);
  pending_.store(true);
  g_main_context_wakeup(source_->context);
  finished_.wait(lock, [&] { return request.done || closed_.load(); });
  return request.done;
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
  std::unique_lock<std::mutex> lock(mutex_);
  // Only what is queued now: a steady stream of calls must not keep the
  // loop from its other sources (input, redraw).
  size_t count = queue_.size();
  while (count-- > 0 && !queue_.empty() && !closed_.load()) {
    Request* request = queue_.front();
    queue_.pop_front();
    lock.unlock();
    (*request->work)();
    lock.lock();
    request->done = true;
    finished_.notify_all();
  }
  pending_.store(!queue_.empty());
}

}  // namespace feed
