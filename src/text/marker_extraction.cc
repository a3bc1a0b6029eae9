#include "text/marker_extraction.h"

namespace feed {
namespace {

// The marker with every placeholder replaced by a double quote, kept in
// |storage| only when there was one: most markers hold none and need no
// copy.
const Text& ExpandPlaceholders(const Text& marker, Text& storage) {
  if (marker.view().find('#') == std::string_view::npos) return marker;
  storage = ReplaceText(marker, kQuotePlaceholder, "\"", 1, std::nullopt,
                        /*caseSensitive=*/true);
  return storage;
}

}  // namespace

Text TextBetween(const Text& text, const Text& leftMarker,
                 const Text& rightMarker, int startPos, bool ignoreCase) {
  Text left_storage;
  Text right_storage;
  const Text& left = ExpandPlaceholders(leftMarker, left_storage);
  const Text& right = ExpandPlaceholders(rightMarker, right_storage);
  int p = FindText(text, left, startPos, ignoreCase);
  if (p == -1) return Text();
  p += TextLength(left);
  int q = FindText(text, right, p, ignoreCase);
  if (q == -1) return Text();
  return TextMid(text, p, q - p);
}

Text TextBefore(const Text& text, const Text& marker, int startPos,
                bool ignoreCase) {
  int p = FindText(text, marker, startPos > 0 ? startPos : 1, ignoreCase);
  if (p == -1) return Text();
  return TextLeft(text, p - 1);
}

}  // namespace feed
