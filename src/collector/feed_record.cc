#include "collector/feed_record.h"

#include "text/marker_extraction.h"

namespace feed {
namespace {

constexpr char kVideoMarker[] = "main_mv_url\":\"";

}  // namespace

FeedRecord ExtractFeedRecord(const Text& piece) {
  FeedRecord record;
  record.caption = TextBetween(piece, "caption\":\"", "\",");
  record.time = TextBetween(piece, "time\":\"", "\",");
  record.photo_id = TextBetween(piece, "photo_id\":", ",");
  record.user_id = TextBetween(piece, "user_id\":", ",");
  record.user_name = TextBetween(piece, "user_name\":\"", "\",");
  // The address runs up to and including the first "mp4" after its marker.
  Text address = ConcatText(TextBetween(piece, kVideoMarker, "mp4"), "mp4");
  record.main_mv_url = NormaliseVideoUrl(address, piece);
  return record;
}

Text NormaliseVideoUrl(const Text& address, const Text& piece) {
  Text result = address;
  if (FindText(result, kFirstCdnHost) != -1) {
    // On this host the first "mp4" may lie inside the path; take the
    // address again from the piece and cut it at its first ".mp4".
    Text retaken = TextBetween(piece, kVideoMarker, "]");
    result = ConcatText(TextBefore(retaken, ".mp4"), ".mp4");
  }
  if (FindText(result, kSecondCdnHost) != -1) {
    result = ReplaceText(result, kSecondCdnHost, kThirdCdnHost, 1,
                         std::nullopt, /*caseSensitive=*/true);
  }
  return result;
}

}  // namespace feed
