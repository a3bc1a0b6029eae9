// Runs work on the thread that owns a GLib main context and waits for it:
// the synchronous hand-off behind every control operation of the GTK window.
//
// The object belongs to the thread that creates it (the window's thread),
// whose thread-default main context it joins; that thread creates, closes
// and destroys it, and queued work is done while that thread iterates the
// context. Call may be used from any thread. The owning thread never blocks
// on a caller: it takes a short lock to pick up queued work, and after
// serving a request it looks out for the next one for at most 0.1 ms
// (serving a burst for at most 4 ms) before it returns to its loop.

#ifndef FEED_COLLECTOR_COLLECTOR_WINDOW_THREAD_HANDOFF_GTK_H_
#define FEED_COLLECTOR_COLLECTOR_WINDOW_THREAD_HANDOFF_GTK_H_

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace feed {

class WindowThreadHandoff {
 public:
  WindowThreadHandoff();
  ~WindowThreadHandoff();
  WindowThreadHandoff(const WindowThreadHandoff&) = delete;
  WindowThreadHandoff& operator=(const WindowThreadHandoff&) = delete;

  // Runs |work| on the owning thread and returns true once it has run. On
  // the owning thread itself it runs at once; from another thread it is
  // queued, the context is woken and the caller waits (spinning briefly
  // first, as the owning thread usually answers within microseconds).
  // Returns false without running |work| once the hand-off is closed, also
  // when the close comes while the caller is waiting.
  bool Call(const std::function<void()>& work);

  // Owning thread: every later Call returns false at once, and callers
  // still waiting are released.
  void Close();
  bool closed() const { return closed_.load(); }

  bool OnOwningThread() const;

 private:
  struct Request {
    const std::function<void()>* work;
    std::atomic<bool> done{false};
  };
  struct Source;

  // Runs the work queued so far; called by the context on the owning thread.
  void RunQueued();

  const std::thread::id owner_;
  Source* source_;
  std::mutex mutex_;
  std::condition_variable finished_;
  std::deque<Request*> queue_;  // guarded by mutex_
  bool draining_ = false;       // RunQueued is serving; guarded by mutex_
  std::atomic<bool> pending_{false};
  std::atomic<bool> closed_{false};
};

}  // namespace feed

#endif  // FEED_COLLECTOR_COLLECTOR_WINDOW_THREAD_HANDOFF_GTK_H_
