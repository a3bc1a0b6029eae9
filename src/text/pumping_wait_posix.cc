#include <algorithm>
#include <chrono>
#include <thread>

#include "text/pumping_wait.h"

namespace feed {

// Threads have no window messages here, so this is a plain timed wait. It
// sleeps in slices of at most an hour, because the longest wait does not
// fit the clocks' own range.
bool PumpingWait(int interval, int unit, const StopSignal* stop) {
  using std::chrono::microseconds;
  const int64_t total = -PumpingWaitDueTime(interval, unit) / 10;
  const auto started = std::chrono::steady_clock::now();
  const int64_t slice = microseconds(std::chrono::hours(1)).count();
  while (true) {
    int64_t elapsed = std::chrono::duration_cast<microseconds>(
                          std::chrono::steady_clock::now() - started)
                          .count();
    if (elapsed >= total) return true;
    microseconds next(std::min(total - elapsed, slice));
    if (stop) {
      if (stop->WaitFor(std::chrono::ceil<std::chrono::milliseconds>(next))) {
        return true;
      }
    } else {
      std::this_thread::sleep_for(next);
    }
  }
}

}  // namespace feed
