// Cutting a piece out of a text by searching for marker texts.
//
// In both markers of TextBetween (and nowhere else) the quote placeholder
// "#引号" (GBK bytes 23 D2 FD BA C5) stands for one double quote, so callers
// can write markers holding quotes without writing a quote. The searched
// text is never rewritten. Both routines give the empty text whenever a
// marker is missing; neither changes its arguments.

#ifndef FEED_COLLECTOR_TEXT_MARKER_EXTRACTION_H_
#define FEED_COLLECTOR_TEXT_MARKER_EXTRACTION_H_

#include "text/text_primitives.h"

namespace feed {

// "#引号" in code page 936.
inline constexpr char kQuotePlaceholder[] = "#\xD2\xFD\xBA\xC5";

// The text after the first |leftMarker| at or after |startPos| (below 1: the
// first byte) up to the first |rightMarker| after it. Empty when either
// marker is missing or they follow each other directly.
Text TextBetween(const Text& text, const Text& leftMarker,
                 const Text& rightMarker, int startPos = 0,
                 bool ignoreCase = false);

// The text from its first byte up to the first |marker| found at or after
// |startPos| (below 1: the first byte); empty when there is none. The marker
// is used as given, without placeholders.
Text TextBefore(const Text& text, const Text& marker, int startPos = 0,
                bool ignoreCase = false);

}  // namespace feed

#endif  // FEED_COLLECTOR_TEXT_MARKER_EXTRACTION_H_
