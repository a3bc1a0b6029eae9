// One collected feed item and its extraction from a piece of a feed reply.
//
// A reply is cut into pieces at every "reco_reason"; each piece yields one
// record. Fields are taken by pairs of literal markers, without parsing the
// reply as JSON: every field is the reply's own text between its markers,
// verbatim (escapes undecoded, nothing trimmed), in code page 936.

#ifndef FEED_COLLECTOR_COLLECTOR_FEED_RECORD_H_
#define FEED_COLLECTOR_COLLECTOR_FEED_RECORD_H_

#include "text/text_primitives.h"

namespace feed {

// Host names of the service's video CDN.
// Addresses on the first host are taken again from the piece, up to ".mp4".
inline constexpr char kFirstCdnHost[] = "jsmov2.a.yximgs.com";
// The second host is replaced by the third wherever it appears.
inline constexpr char kSecondCdnHost[] = "alimov2.a.yximgs.com";
inline constexpr char kThirdCdnHost[] = "txmov2.a.yximgs.com";

struct FeedRecord {
  Text caption;
  Text time;
  Text photo_id;  // empty when the piece holds no item
  Text user_id;
  Text user_name;
  Text main_mv_url;  // never empty: "mp4" when its markers are missing

  friend bool operator==(const FeedRecord&, const FeedRecord&) = default;
};

// The six fields of |piece|, each from the first occurrence of its left
// marker in the piece, then the video address normalised.
FeedRecord ExtractFeedRecord(const Text& piece);

// Applies the CDN host rules to |address|: an address on the first host is
// taken again from |piece| up to its first ".mp4"; then every occurrence of
// the second host is replaced by the third (letter case respected).
Text NormaliseVideoUrl(const Text& address, const Text& piece);

}  // namespace feed

#endif  // FEED_COLLECTOR_COLLECTOR_FEED_RECORD_H_
