#include "collector/feed_record.h"

#include "text/marker_extraction.h"

namespace feed {
namespace {

// Markers and host names as Text values, made once: every piece of every
// reply is searched for them.
const Text kCaptionMarker = "caption\":\"";
const Text kTimeMarker = "time\":\"";
const Text kPhotoIdMarker = "photo_id\":";
const Text kUserIdMarker = "user_id\":";
const Text kUserNameMarker = "user_name\":\"";
const Text kVideoMarker = "main_mv_url\":\"";
const Text kStringEnd = "\",";
const Text kNumberEnd = ",";
const Text kMp4 = "mp4";
const Text kDotMp4 = ".mp4";
const Text kListEnd = "]";
const Text kFirstHost = kFirstCdnHost;
const Text kSecondHost = kSecondCdnHost;
const Text kThirdHost = kThirdCdnHost;

}  // namespace

FeedRecord ExtractFeedRecord(const Text& piece) {
  FeedRecord record;
  record.caption = TextBetween(piece, kCaptionMarker, kStringEnd);
  record.time = TextBetween(piece, kTimeMarker, kStringEnd);
  record.photo_id = TextBetween(piece, kPhotoIdMarker, kNumberEnd);
  record.user_id = TextBetween(piece, kUserIdMarker, kNumberEnd);
  record.user_name = TextBetween(piece, kUserNameMarker, kStringEnd);
  // The address runs up to and including the first "mp4" after its marker.
  Text address = ConcatText(TextBetween(piece, kVideoMarker, kMp4), kMp4);
  record.main_mv_url = NormaliseVideoUrl(address, piece);
  return record;
}

Text NormaliseVideoUrl(const Text& address, const Text& piece) {
  Text result = address;
  if (FindText(result, kFirstHost) != -1) {
    // On this host the first "mp4" may lie inside the path; take the
    // address again from the piece and cut it at its first ".mp4".
    Text retaken = TextBetween(piece, kVideoMarker, kListEnd);
    result = ConcatText(TextBefore(retaken, kDotMp4), kDotMp4);
  }
  if (FindText(result, kSecondHost) != -1) {
    result = ReplaceText(result, kSecondHost, kThirdHost, 1, std::nullopt,
                         /*caseSensitive=*/true);
  }
  return result;
}

}  // namespace feed
