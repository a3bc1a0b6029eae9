// Waiting for a span of time without holding up the calling thread's window
// messages: the pause between two feed requests.

#ifndef FEED_COLLECTOR_TEXT_PUMPING_WAIT_H_
#define FEED_COLLECTOR_TEXT_PUMPING_WAIT_H_

#include <cstdint>

#include "text/stop_signal.h"

namespace feed {

// The longest wait, in 100-nanosecond units (about 14,600 years). A timer
// turns a relative due time into an absolute one by adding the current time;
// this limit keeps that sum, and every clock computation here, inside 64
// bits.
inline constexpr int64_t kLongestWaitDueTime = int64_t{1} << 62;

// The due time of a wait of |interval| units, as a relative timer takes it:
// negative, in 100-nanosecond units. |unit| 0 counts milliseconds, 1 seconds,
// 2 minutes, 3 hours, and any other value is itself the number of
// milliseconds per unit. The product is taken in double precision and
// truncated toward zero. 0 (no wait) when interval × unit is 0 or negative;
// limited to -kLongestWaitDueTime when it is longer.
int64_t PumpingWaitDueTime(int interval, int unit = 0);

// Waits as PumpingWaitDueTime says on the calling thread. Window messages
// that arrive for this thread meanwhile are dispatched (ProcessEvents) and
// the wait goes on; other threads are never serviced. An omitted interval
// waits 0 ms. When |stop| is given, a stop request ends the wait early (at
// once when it was already requested). When the system cannot provide the
// timer the wait ends at once. Always returns true.
bool PumpingWait(int interval = 0, int unit = 0,
                 const StopSignal* stop = nullptr);

}  // namespace feed

#endif  // FEED_COLLECTOR_TEXT_PUMPING_WAIT_H_
