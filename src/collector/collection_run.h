// The collection run: the work of one press of the collect button. It sends
// the fixed feed request as often as the window's fetch count says, cuts
// every reply at "reco_reason", hands the record of every piece to record
// handling, keeps the status line current, pauses between fetches and, at
// its end, saves the seen-id list.
//
// A run can be asked to stop (the window closing): it then finishes the
// record it is handling, sends no further request, skips the pauses, and
// still saves the seen-id list before it returns.

#ifndef FEED_COLLECTOR_COLLECTOR_COLLECTION_RUN_H_
#define FEED_COLLECTOR_COLLECTOR_COLLECTION_RUN_H_

#include <cstdint>
#include <functional>
#include <mutex>

#include "collector/main_window.h"
#include "collector/record_handling.h"
#include "text/stop_signal.h"
#include "text/text_primitives.h"
#include "web/web_request.h"

namespace feed {

// The fixed request: plain HTTP to the feed service's API host (chosen when
// the program is configured), its path and query, and its form-encoded
// body. Neither changes between fetches or runs.
Text FeedRequestUrl();
Text FeedRequestBody();

// Where a run's requests go and how it pauses: the product's are made by
// ProductFeedAccess (feed_access.h); tests put their own in.
struct FeedAccess {
  Text url = FeedRequestUrl();
  Text body = FeedRequestBody();
  // One POST of |body| to |url| carrying the run's |cookies| (in and out:
  // the cookies the reply sets are merged in). Returns the reply's body,
  // empty when the exchange failed and only what arrived when reading it
  // broke off; |statusText| receives the reply's status or an error text.
  // Gives up soon once |stop| is requested.
  std::function<Text(const Text& url, const Text& body, Text& cookies,
                     Text& statusText, const StopSignal& stop)>
      fetch;
  // Waits |milliseconds| (returns at once for 0 or less), or until |stop|
  // is requested.
  std::function<void(int32_t milliseconds, const StopSignal& stop)> pause;
};

// Runs on the calling thread (the run's own) until every fetch is done or
// |stop| is requested, then saves the seen-id list. |recordLock| guards the
// output of new records (see RecordHandling); the caller owns it.
void CollectionRun(MainWindow& window, RecordHandling& records,
                   const FeedAccess& access, std::mutex& recordLock,
                   const StopSignal& stop);

}  // namespace feed

#endif  // FEED_COLLECTOR_COLLECTOR_COLLECTION_RUN_H_
