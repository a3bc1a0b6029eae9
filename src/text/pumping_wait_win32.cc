#include <windows.h>

#include "text/environment.h"
#include "text/pumping_wait.h"

namespace feed {
namespace {

// Wake for keys, mouse moves and buttons, posted messages, timers, paint,
// sent messages and hot keys.
constexpr DWORD kWakeMask = 0xFF;

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (handle_) ::CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

bool PumpingWait(int interval, int unit, const StopSignal* stop) {
  LARGE_INTEGER due;
  due.QuadPart = PumpingWaitDueTime(interval, unit);
  if (due.QuadPart == 0) return true;
  if (stop && stop->Requested()) return true;

  Handle timer(::CreateWaitableTimerA(nullptr, FALSE, nullptr));
  if (!timer.get() ||
      !::SetWaitableTimer(timer.get(), &due, 0, nullptr, nullptr, FALSE)) {
    return true;
  }
  HANDLE handles[2] = {timer.get(), nullptr};
  DWORD count = 1;
  // Declared before the subscription, so it outlives the callback.
  Handle stopped(stop ? ::CreateEventW(nullptr, TRUE, FALSE, nullptr)
                      : nullptr);
  StopSignal::Subscription subscription;
  if (stopped.get()) {
    HANDLE event = stopped.get();
    subscription = stop->Subscribe([event] { ::SetEvent(event); });
    handles[count++] = event;
  }

  while (true) {
    DWORD result = ::MsgWaitForMultipleObjects(count, handles, FALSE,
                                               INFINITE, kWakeMask);
    if (result == WAIT_OBJECT_0 + count) {
      ProcessEvents();
      continue;
    }
    // The timer fired or a stop was asked for; a failed wait would fail
    // again at once, so it ends the wait instead of spinning.
    return true;
  }
}

}  // namespace feed
