// The product's way to reach the feed service and to pause: the fixed
// request through WebRequest, and PumpingWait for the pauses.

#ifndef FEED_COLLECTOR_COLLECTOR_FEED_ACCESS_H_
#define FEED_COLLECTOR_COLLECTOR_FEED_ACCESS_H_

#include "collector/collection_run.h"

namespace feed {

// One request as a run makes it: POST to |url| with |body| and the run's
// cookie text, every other setting at its default (default headers, no
// proxy or credentials, 30 s time-out, redirects followed); broken off when
// |stop| is requested.
Text FetchFeedPage(const Text& url, const Text& body, Text& cookies,
                   Text& statusText, const StopSignal& stop);

// A pause of |milliseconds| that lets the thread's window messages through
// and ends early when |stop| is requested.
void PauseBetweenFetches(int32_t milliseconds, const StopSignal& stop);

// The fixed request with the two routines above.
FeedAccess ProductFeedAccess();

}  // namespace feed

#endif  // FEED_COLLECTOR_COLLECTOR_FEED_ACCESS_H_
