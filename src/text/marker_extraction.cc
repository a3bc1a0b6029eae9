#include "text/marker_extraction.h"

namespace feed {
namespace {

// The marker with every placeholder replaced by a double quote. Most
// markers hold none, and the copy is skipped for them.
Text ExpandPlaceholders(const Text& marker) {
  if (marker.view().find('#') == std::string_view::npos) return marker;
  return ReplaceText(marker, kQuotePlaceholder, "\"", 1, std::nullopt,
                     /*caseSensitive=*/true);
}

}  // namespace

Text TextBetween(const Text& text, const Text& leftMarker,
                 const Text& rightMarker, int startPos, bool ignoreCase) {
  Text left = ExpandPlaceholders(leftMarker);
  Text right = ExpandPlaceholders(rightMarker);
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
