#include "text/marker_extraction.h"

#include <gtest/gtest.h>

#include <string>

namespace feed {
namespace {

struct BetweenCase {
  const char* name;
  const char* text;
  const char* left;
  const char* right;
  int start;
  bool ignore_case;
  const char* expected;
};

TEST(MarkerExtractionTest, TextBetween) {
  const std::string quote = kQuotePlaceholder;
  const BetweenCase cases[] = {
      {"plain pair", "a[x]b", "[", "]", 0, false, "x"},
      {"first pair wins", "[x][y]", "[", "]", 0, false, "x"},
      {"placeholders stand for quotes", "say \"hi\" now", quote.c_str(),
       quote.c_str(), 0, false, "hi"},
      {"placeholder inside a longer marker", "key\":\"v\",", "key\":#\xD2\xFD\xBA\xC5",
       "#\xD2\xFD\xBA\xC5,", 0, false, "v"},
      {"right marker only before the left", "b]a[", "[", "]", 0, false, ""},
      {"markers side by side", "ab", "a", "b", 0, false, ""},
      {"no right marker after the left", "]a[x", "[", "]", 0, false, ""},
      {"left marker at the very end", "abc[", "[", "]", 0, false, ""},
      {"empty right marker", "a[b]", "[", "", 0, false, ""},
      {"empty left marker", "xy]z", "", "]", 0, false, "xy"},
      {"empty left marker, later start", "xy]z", "", "]", 3, false, "xy"},
      {"empty left marker, start past the end", "xy]z", "", "]", 9, false,
       ""},
      {"start skips the first pair", "[a][b]", "[", "]", 3, false, "b"},
      {"start below 1 is 1", "[a][b]", "[", "]", -5, false, "a"},
      {"case respected", "set-cookie:a=1;", "Set-Cookie:", ";", 0, false, ""},
      {"case ignored", "set-cookie:a=1;", "Set-Cookie:", ";", 0, true, "a=1"},
      {"searched text is not rewritten", "#\xD2\xFD\xBA\xC5" "a\"b\"",
       quote.c_str(), quote.c_str(), 0, false, "b"},
  };
  for (const BetweenCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TextBetween(c.text, c.left, c.right, c.start, c.ignore_case),
              Text(c.expected));
  }
}

TEST(MarkerExtractionTest, TextBefore) {
  struct Case {
    const char* text;
    int start;
    bool ignore_case;
    const char* expected;
  };
  const Case cases[] = {
      {"a.mp4b.mp4", 0, false, "a"},
      {".mp4x", 0, false, ""},
      {"abc", 0, false, ""},
      {"a.mp4b.mp4", 3, false, "a.mp4b"},  // the result still starts at 1
      {"a.mp4b.mp4", -1, false, "a"},
      {"a.MP4", 0, false, ""},
      {"a.MP4", 0, true, "a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(TextBefore(c.text, ".mp4", c.start, c.ignore_case),
              Text(c.expected));
  }
}

}  // namespace
}  // namespace feed
