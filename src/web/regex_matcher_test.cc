#include "web/regex_matcher.h"

#include <gtest/gtest.h>

#include <string>

#include "text/marker_extraction.h"

namespace feed {
namespace {

// "中" in code page 936.
#define ZHONG "\xD6\xD0"

TEST(RegexMatcherTest, MatchesTheirTextsAndPositions) {
  RegexMatcher matcher;
  ASSERT_TRUE(matcher.Create("c", "abcabc"));
  EXPECT_EQ(matcher.MatchCount(), 2);
  int position = 99;
  EXPECT_EQ(matcher.MatchText(1, &position), Text("c"));
  EXPECT_EQ(position, 2);
  EXPECT_EQ(matcher.MatchText(2, &position), Text("c"));
  EXPECT_EQ(position, 5);
  EXPECT_EQ(matcher.MatchText(1), Text("c"));
}

TEST(RegexMatcherTest, PositionsAreByteOffsetsAfterDoubleByteText) {
  // The component counts one unit per character; positions count bytes.
  RegexMatcher matcher;
  ASSERT_TRUE(matcher.Create(ZHONG "(\\w)", ZHONG "x " ZHONG "y"));
  ASSERT_EQ(matcher.MatchCount(), 2);
  int position = 99;
  EXPECT_EQ(matcher.MatchText(2, &position), Text(ZHONG "y"));
  EXPECT_EQ(position, 4);
  EXPECT_EQ(matcher.SubmatchText(2, 1, &position), Text("y"));
  EXPECT_EQ(position, 6);
  EXPECT_EQ(matcher.SubmatchText(1, 1, &position), Text("x"));
  EXPECT_EQ(position, 2);
}

TEST(RegexMatcherTest, PositionSearchIgnoresCaseOnlyForCaseSensitiveExpressions) {
  // The position search starts one byte before the match and folds letter
  // case exactly when the expression does not: a case-sensitive match of
  // "a" in "Aa" is reported where the "A" stands.
  RegexMatcher matcher;
  ASSERT_TRUE(matcher.Create("a", "Aa", /*caseSensitive=*/true));
  ASSERT_EQ(matcher.MatchCount(), 1);
  int position = 99;
  EXPECT_EQ(matcher.MatchText(1, &position), Text("a"));
  EXPECT_EQ(position, 0);

  ASSERT_TRUE(matcher.Create("a", "aA"));
  ASSERT_EQ(matcher.MatchCount(), 2);
  EXPECT_EQ(matcher.MatchText(2, &position), Text("A"));
  EXPECT_EQ(position, 1);
}

TEST(RegexMatcherTest, GroupsAndTheirCount) {
  RegexMatcher matcher;
  ASSERT_TRUE(matcher.Create("(a)|(b)", "ab"));
  EXPECT_EQ(matcher.SubmatchCount(), 2);
  EXPECT_EQ(matcher.SubmatchText(1, 1), Text("a"));
  EXPECT_EQ(matcher.SubmatchText(1, 2), Text());  // took no part
  EXPECT_EQ(matcher.SubmatchText(2, 2), Text("b"));
  EXPECT_EQ(matcher.SubmatchText(2, 3), Text());  // no such group
}

TEST(RegexMatcherTest, EmptyMatcherAndNumbersBeyondTheMatchesAnswerEmpty) {
  RegexMatcher empty;
  EXPECT_EQ(empty.GetPattern(), Text());
  EXPECT_EQ(empty.MatchCount(), 0);
  EXPECT_EQ(empty.MatchText(1), Text());
  EXPECT_EQ(empty.SubmatchText(1, 1), Text());
  EXPECT_EQ(empty.SubmatchCount(), 0);
  EXPECT_EQ(empty.Replace("x"), Text());

  RegexMatcher matcher;
  ASSERT_TRUE(matcher.Create("c", "abcabc"));
  EXPECT_EQ(matcher.MatchText(3), Text());
  EXPECT_EQ(matcher.MatchText(0), Text());
  EXPECT_EQ(matcher.SubmatchText(1, 1), Text());
  EXPECT_EQ(matcher.SubmatchText(3, 1), Text());
  EXPECT_EQ(matcher.SubmatchCount(), 0);

  // No match at all still runs: an empty collection.
  ASSERT_TRUE(matcher.Create("<meta", "{\"feeds\":[]}"));
  EXPECT_EQ(matcher.MatchCount(), 0);
  EXPECT_EQ(matcher.SubmatchText(1, 1), Text());
}

TEST(RegexMatcherTest, InvalidPatternDoesNotRun) {
  RegexMatcher matcher;
  ASSERT_TRUE(matcher.Create("c", "abc"));
  EXPECT_FALSE(matcher.Create("(", "abc"));
  EXPECT_EQ(matcher.GetPattern(), Text("("));
  EXPECT_EQ(matcher.MatchCount(), 0);  // the earlier matches are gone
  EXPECT_EQ(matcher.MatchText(1), Text());
  EXPECT_EQ(matcher.Replace("x"), Text());
}

TEST(RegexMatcherTest, QuotePlaceholdersStandForQuotesOnRequest) {
  const std::string quote = kQuotePlaceholder;
  const Text pattern(quote + "(\\w+)" + quote);
  RegexMatcher matcher;
  ASSERT_TRUE(matcher.Create(pattern, "say \"hi\"", false, true, true,
                             /*quotePlaceholders=*/true));
  EXPECT_EQ(matcher.GetPattern(), Text("\"(\\w+)\""));
  EXPECT_EQ(matcher.SubmatchText(1, 1), Text("hi"));

  // Without the request the placeholder is matched as written.
  ASSERT_TRUE(matcher.Create(pattern, "say \"hi\""));
  EXPECT_EQ(matcher.GetPattern(), pattern);
  EXPECT_EQ(matcher.MatchCount(), 0);
  ASSERT_TRUE(matcher.Create(pattern, Text(quote + "hi" + quote)));
  EXPECT_EQ(matcher.SubmatchText(1, 1), Text("hi"));
}

TEST(RegexMatcherTest, Options) {
  struct Case {
    const char* name;
    const char* pattern;
    const char* subject;
    bool caseSensitive;
    bool multiLine;
    bool globalMatch;
    int count;
    const char* replaced;  // every match replaced by "<$&>"
  };
  const Case cases[] = {
      {"case ignored by default", "a", "aA", false, true, true, 2,
       "<a><A>"},
      {"case respected", "a", "aA", true, true, true, 1, "<a>A"},
      {"case of double-byte text", ZHONG, ZHONG, true, true, true, 1,
       "<" ZHONG ">"},
      {"first match only", "c", "abcabc", false, true, false, 1,
       "ab<c>abc"},
      {"line starts with Multiline", "^b", "a\nb\r\nb", false, true, true, 2,
       "a\n<b>\r\n<b>"},
      {"text start only without", "^b", "a\nb", false, false, true, 0,
       "a\nb"},
      {"line ends before CR", "a$", "a\r\na", false, true, true, 2,
       "<a>\r\n<a>"},
      {"no end before a final LF without Multiline", "a$", "a\n", false,
       false, true, 0, "a\n"},
      {"dot stops at CR and LF", "a.b", "a\rb a\nb a\x01" "b", false, true,
       true, 1, "a\rb a\nb <a\x01" "b>"},
      {"word characters are ASCII", "[^\\w]", ZHONG "a", false, true, true,
       1, "<" ZHONG ">a"},
      {"\\u escapes", "\\u0041", "A", true, true, true, 1, "<A>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RegexMatcher matcher;
    ASSERT_TRUE(matcher.Create(c.pattern, c.subject, c.caseSensitive,
                               c.multiLine, c.globalMatch));
    EXPECT_EQ(matcher.MatchCount(), c.count);
    EXPECT_EQ(matcher.Replace("<$&>"), Text(c.replaced));
  }
}

TEST(RegexMatcherTest, ReplacementForms) {
  RegexMatcher matcher;
  ASSERT_TRUE(matcher.Create("(a)|(b)", "ab"));
  // $3 and $0 name no group; $10 is $1 then "0"; $01 is group 1.
  EXPECT_EQ(matcher.Replace("[$1|$2|$3|$$|$`|$'|$0|$10|$01|$]"),
            Text("[a||$3|$||b|$0|a0|a|$][|b|$3|$|a||$0|0||$]"));
  EXPECT_EQ(matcher.Replace(), Text());

  ASSERT_TRUE(matcher.Create("(x)(y)?", "xyx", false, true, false));
  EXPECT_EQ(matcher.Replace("[$2]"), Text("[y]x"));
}

TEST(RegexMatcherTest, CopySharesMatchesButNotLaterCreates) {
  RegexMatcher original;
  ASSERT_TRUE(original.Create("(b)", "abc"));
  RegexMatcher copy(original);
  ASSERT_TRUE(original.Create("z", "xyz"));

  EXPECT_EQ(copy.GetPattern(), Text("(b)"));
  int position = 99;
  EXPECT_EQ(copy.SubmatchText(1, 1, &position), Text("b"));
  EXPECT_EQ(position, 1);
  EXPECT_EQ(copy.Replace("-"), Text("a-c"));
  EXPECT_EQ(original.MatchText(1, &position), Text("z"));
  EXPECT_EQ(position, 2);
}

}  // namespace
}  // namespace feed
