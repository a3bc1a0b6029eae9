// A one-shot request to stop, shared between the thread that asks (the
// window's, when it closes during a run) and the threads that wait or work
// (the collection run, its pauses and its web requests).
//
// Thread-safe throughout. Once requested, it stays requested.

#ifndef FEED_COLLECTOR_TEXT_STOP_SIGNAL_H_
#define FEED_COLLECTOR_TEXT_STOP_SIGNAL_H_

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>

namespace feed {

class StopSignal {
 public:
  StopSignal() = default;
  StopSignal(const StopSignal&) = delete;
  StopSignal& operator=(const StopSignal&) = delete;

  // Marks the signal and runs every subscribed callback once, on the
  // calling thread. Later calls do nothing.
  void Request();
  bool Requested() const;

  // Sleeps until the signal is requested or |timeout| has passed; true when
  // it was requested.
  bool WaitFor(std::chrono::milliseconds timeout) const;

  // Calls |onStop| when the signal is requested (at once, on this thread,
  // when it already was) until the returned subscription is destroyed. Used
  // to break off blocking calls: set an event, close a handle. The callback
  // must be quick and must not touch the signal. When the subscription's
  // destructor returns, the callback is neither running nor will it run.
  class Subscription {
   public:
    Subscription() = default;
    ~Subscription();
    Subscription(Subscription&& other) noexcept;
    Subscription& operator=(Subscription&& other) noexcept;

   private:
    friend class StopSignal;
    Subscription(const StopSignal* signal, int id) : signal_(signal), id_(id) {}
    const StopSignal* signal_ = nullptr;
    int id_ = 0;
  };
  [[nodiscard]] Subscription Subscribe(std::function<void()> onStop) const;

 private:
  void Unsubscribe(int id) const;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool requested_ = false;
  mutable int next_id_ = 1;
  mutable std::map<int, std::function<void()>> callbacks_;
};

}  // namespace feed

#endif  // FEED_COLLECTOR_TEXT_STOP_SIGNAL_H_
