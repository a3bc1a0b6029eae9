#include "text/stop_signal.h"

#include <utility>

namespace feed {

void StopSignal::Request() {
  {
    // Callbacks run under the lock, so that once Unsubscribe has returned
    // no callback of that subscription is running or will run.
    std::lock_guard<std::mutex> lock(mutex_);
    if (requested_) return;
    requested_ = true;
    for (auto& [id, callback] : callbacks_) callback();
  }
  changed_.notify_all();
}

bool StopSignal::Requested() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requested_;
}

bool StopSignal::WaitFor(std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [this] { return requested_; });
}

StopSignal::Subscription StopSignal::Subscribe(
    std::function<void()> onStop) const {
  bool already = false;
  int id = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    already = requested_;
    id = next_id_++;
    if (!already) callbacks_.emplace(id, std::move(onStop));
  }
  if (already) onStop();
  return Subscription(this, id);
}

void StopSignal::Unsubscribe(int id) const {
  std::lock_guard<std::mutex> lock(mutex_);
  callbacks_.erase(id);
}

StopSignal::Subscription::~Subscription() {
  if (signal_) signal_->Unsubscribe(id_);
}

StopSignal::Subscription::Subscription(Subscription&& other) noexcept
    : signal_(std::exchange(other.signal_, nullptr)), id_(other.id_) {}

StopSignal::Subscription& StopSignal::Subscription::operator=(
    Subscription&& other) noexcept {
  if (this != &other) {
    if (signal_) signal_->Unsubscribe(id_);
    signal_ = std::exchange(other.signal_, nullptr);
    id_ = other.id_;
  }
  return *this;
}

}  // namespace feed
