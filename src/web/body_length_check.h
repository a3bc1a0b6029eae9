// Whether a reply's body arrived whole, judged from its raw header text:
// some HTTP services end a body that the server cut short as if it were
// complete.
//
// Pure; any thread.

#ifndef FEED_COLLECTOR_WEB_BODY_LENGTH_CHECK_H_
#define FEED_COLLECTOR_WEB_BODY_LENGTH_CHECK_H_

#include <cstdint>

#include "text/text_primitives.h"

namespace feed {

// True when |rawHeaders| (status line, header lines ending in "\r\n")
// announce a body by a Content-Length larger than |bodyLength|. A reply
// without a body (to a HEAD request, or with status 1xx, 204 or 304) and a
// chunked reply announce no length; so does a Content-Length that is not a
// number.
bool BodyShorterThanAnnounced(const Text& rawHeaders, int64_t bodyLength,
                              bool headRequest);

}  // namespace feed

#endif  // FEED_COLLECTOR_WEB_BODY_LENGTH_CHECK_H_
