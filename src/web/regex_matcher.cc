#include "web/regex_matcher.h"

#include <optional>

#include "text/marker_extraction.h"

namespace feed {

bool RegexMatcher::Create(const Text& pattern, const Text& subject,
                          bool caseSensitive, bool multiLine,
                          bool globalMatch, bool quotePlaceholders) {
  Text written = pattern;
  if (quotePlaceholders) {
    written = ReplaceText(pattern, kQuotePlaceholder, "\"", 1, std::nullopt,
                          /*caseSensitive=*/true);
  }
  subject_ = subject;
  return Execute(written, !caseSensitive, multiLine, globalMatch);
}

Text RegexMatcher::MatchText(int n, int* position) const {
  Text value = MatchValue(n - 1);
  if (position) *position = FindPosition(value, n - 1);
  return value;
}

Text RegexMatcher::SubmatchText(int n, int k, int* position) const {
  Text value = SubmatchValue(n - 1, k - 1);
  if (position) *position = FindPosition(value, n - 1);
  return value;
}

// The component tells where a match begins only as an index into its own
// string, which counts UTF-16 units, not our bytes. So the byte offset is
// found by searching the subject for the text, starting at that index taken
// as a 1-based byte position: a double-byte character is one unit but two
// bytes, so the start never lies after the match, at worst one byte before
// it or earlier. The search ignores letter case exactly when the component's
// "IgnoreCase" reads as "0", that is when the expression respects case:
// inverted, but kept, since callers see the same offsets as before (it only
// shows when an occurrence differing in case lies just before the match).
int RegexMatcher::FindPosition(const Text& sought, int index) const {
  int start = static_cast<int>(TruncateToInteger(MatchFirstIndex(index)));
  bool ignoreCase = IgnoreCaseAsText() == Text("0");
  return FindText(subject_, sought, start, ignoreCase) - 1;
}

}  // namespace feed
