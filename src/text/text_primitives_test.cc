#include "text/text_primitives.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "text/fatal_error.h"

namespace feed {
namespace {

// GBK bytes used below: 中 D6 D0, 文 CE C4, the full-width blank A1 A1,
// full-width digits A3 B0..A3 B9, full-width A / a A3 C1 / A3 E1.
constexpr char kZhongWen[] = "\xD6\xD0\xCE\xC4";

TEST(TextTest, AbsentAndEmptyAreOneValue) {
  EXPECT_EQ(Text(), Text(""));
  EXPECT_EQ(Text(static_cast<const char*>(nullptr)), Text(""));
  EXPECT_TRUE(TextEquals(Text(), ""));
  EXPECT_EQ(TextLength(Text()), 0);
}

TEST(TextTest, NeverHoldsAZeroByte) {
  EXPECT_EQ(Text(std::string_view("ab\0cd", 5)), Text("ab"));
  EXPECT_EQ(Text(std::string("\0x", 2)), Text());
}

struct PartCase {
  const char* text;
  int start;  // ignored by Left and Right
  int count;
  const char* left;
  const char* right;
  const char* mid;
};

TEST(TextTest, LeftRightAndMidClipAndCountBytes) {
  const PartCase cases[] = {
      {"abc", 1, 2, "ab", "bc", "ab"},
      {"abc", 2, 5, "abc", "abc", "bc"},   // count beyond the end is clipped
      {"abc", 0, 2, "ab", "bc", ""},       // start 0
      {"abc", 4, 1, "a", "c", ""},         // start one past the end
      {"abc", 3, 0, "", "", ""},           // count 0
      {"abc", 1, -1, "", "", ""},          // negative count
      {"", 1, 3, "", "", ""},
      // Byte counts may cut a double-byte character in two.
      {kZhongWen, 2, 2, "\xD6\xD0", "\xCE\xC4", "\xD0\xCE"},
      {kZhongWen, 1, 3, "\xD6\xD0\xCE", "\xD0\xCE\xC4", "\xD6\xD0\xCE"},
  };
  for (const PartCase& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " start " + std::to_string(c.start) +
                 " count " + std::to_string(c.count));
    EXPECT_EQ(TextLeft(c.text, c.count), Text(c.left));
    EXPECT_EQ(TextRight(c.text, c.count), Text(c.right));
    EXPECT_EQ(TextMid(c.text, c.start, c.count), Text(c.mid));
  }
}

struct FindCase {
  const char* name;
  const char* text;
  const char* sought;
  int start;
  bool ignore_case;
  int expected;
};

TEST(TextTest, FindText) {
  const FindCase cases[] = {
      {"first hit", "abcabc", "c", 0, false, 3},
      {"from a start", "abcabc", "c", 4, false, 6},
      {"start 1 is the first byte", "abcabc", "a", 1, false, 1},
      {"negative start", "abcabc", "a", -7, false, 1},
      {"missing", "abc", "d", 0, false, -1},
      {"longer than the text", "ab", "abc", 0, false, -1},
      {"start past the end", "abc", "c", 4, false, -1},
      {"empty sought gives 1, not the start", "abc", "", 3, false, 1},
      {"empty sought past the end", "abc", "", 4, false, -1},
      {"empty sought in empty text", "", "", 0, false, -1},
      // A match never begins on the second byte of a character.
      {"trail byte equal to the letter", "\xD6" "A", "A", 0, false, -1},
      {"letter after such a character", "\xD6" "AA", "A", 0, false, 3},
      {"pair straddling two characters", kZhongWen, "\xD0\xCE", 0, false, -1},
      {"start on a second byte shifts the grid", kZhongWen, "\xD0\xCE", 2,
       false, 2},
      {"run of high bytes, even offset", "\xB0\xB0\xB0\xB0", "\xB0\xB0", 0,
       false, 1},
      {"run of high bytes after a letter", "a\xB0\xB0\xB0", "\xB0\xB0", 0,
       false, 2},
      {"second of two equal characters", "\xB0" "A\xB0" "AA", "A", 0, false,
       5},
      {"lone lead byte at the end", "ab\xB0", "\xB0", 0, false, 3},
      {"lone lead byte ends the search", "a\xB0", "x", 0, false, -1},
      {"ignore case folds ASCII", "ABC", "b", 0, true, 2},
      {"case respected", "ABC", "b", 0, false, -1},
      {"full-width letters are not folded", "\xA3\xC1", "\xA3\xE1", 0, true,
       -1},
      {"ignore case keeps the grid", "\xD6" "aA", "a", 0, true, 3},
  };
  for (const FindCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FindText(c.text, c.sought, c.start, c.ignore_case), c.expected);
  }
}

TEST(TextTest, FindTextAtEveryOffsetOfALongText) {
  // Long texts take the block-wise search; hits near block edges and in the
  // tail must come out the same as in short texts.
  for (int offset = 0; offset < 40; ++offset) {
    for (const char* needle : {"\",", "reco_reason", "ab"}) {
      std::string text(static_cast<size_t>(offset), 'x');
      text += needle;
      text += std::string(static_cast<size_t>(offset % 7), 'y');
      SCOPED_TRACE(std::to_string(offset) + " " + needle);
      EXPECT_EQ(FindText(Text(text), needle), offset + 1);
      // Behind an odd run of lead bytes the same bytes are a trail half.
      std::string shifted = std::string(static_cast<size_t>(offset), 'x') +
                            "\xB0" + needle;
      EXPECT_EQ(FindText(Text(shifted), needle),
                FindText(Text(shifted), needle, 0, /*ignoreCase=*/true));
    }
  }
}

TEST(TextTest, CompareTextOnlyZeroMatters) {
  EXPECT_EQ(CompareText("abc", "ABC", /*caseSensitive=*/false), 0);
  EXPECT_NE(CompareText("abc", "ABC", /*caseSensitive=*/true), 0);
  EXPECT_EQ(CompareText(kZhongWen, kZhongWen, true), 0);
  EXPECT_EQ(CompareText("", Text(), true), 0);
  EXPECT_LT(CompareText("a", "b", true), 0);
  EXPECT_GT(CompareText("ab", "a", true), 0);
  EXPECT_LT(CompareText("a", "\xD6\xD0", true), 0);
  // Double-byte characters compare as units: their trail bytes never fold.
  EXPECT_NE(CompareText("\xD6" "A", "\xD6" "a", false), 0);
}

TEST(TextTest, ConcatTextSkipsAbsentParts) {
  EXPECT_EQ(ConcatText("a", Text(), "b", Text("cd")), Text("abcd"));
  EXPECT_EQ(ConcatText(Text(), Text()), Text());
}

TEST(TextTest, TrimAndRemoveBlanks) {
  struct Case {
    const char* text;
    const char* trimmed;
    const char* removed;
  };
  const Case cases[] = {
      {" \xA1\xA1 a b \xA1\xA1", "a b", "ab"},
      {"\tab\r\n", "\tab\r\n", "\tab\r\n"},  // tabs and line breaks stay
      {"  \xA1\xA1", "", ""},
      {"", "", ""},
      {"a\xB0", "a", "a"},        // a lone lead byte at the end is lost
      {"a \xA1", "a", "a"},
      {"\xD6\xD0 \xCE\xC4", "\xD6\xD0 \xCE\xC4", kZhongWen},
      {"\xB0 x", "\xB0 x", "\xB0 x"},  // B0 20 is one character, no blank
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(TrimBlanks(c.text), Text(c.trimmed));
    EXPECT_EQ(RemoveBlanks(c.text), Text(c.removed));
  }
}

struct ReplaceCase {
  const char* text;
  const char* sought;
  const char* replacement;
  int start;
  std::optional<int> count;
  bool case_sensitive;
  const char* expected;
};

TEST(TextTest, ReplaceText) {
  const ReplaceCase cases[] = {
      {"aaa", "a", "b", 0, std::nullopt, true, "bbb"},
      {"aaa", "a", "b", 0, 0, true, "aaa"},    // count 0: nothing
      {"aaa", "a", "b", 0, -1, true, "bbb"},   // negative: everything
      {"aaa", "a", "b", 0, 2, true, "bba"},
      {"aaa", "a", "b", 2, std::nullopt, true, "abb"},
      {"aaa", "a", "b", 4, std::nullopt, true, "aaa"},  // start past the end
      {"AaA", "a", "x", 0, std::nullopt, false, "xxx"},
      {"AaA", "a", "x", 0, std::nullopt, true, "AxA"},
      {"aaaa", "aa", "a", 0, std::nullopt, true, "aa"},  // never rescanned
      {"abc", "b", "", 0, std::nullopt, true, "ac"},
      {"", "a", "b", 0, std::nullopt, true, ""},
      {"abc", "", "x", 0, std::nullopt, true, "abc"},
      {"\xB0" "aa", "a", "x", 0, std::nullopt, true, "\xB0" "ax"},
      {"a\xB0", "\xB0", "x", 0, std::nullopt, true, "ax"},
  };
  for (const ReplaceCase& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " / " + c.sought);
    EXPECT_EQ(ReplaceText(c.text, c.sought, c.replacement, c.start, c.count,
                          c.case_sensitive),
              Text(c.expected));
  }
}

struct SplitCase {
  const char* text;
  const char* separator;
  std::optional<int> count;
  std::vector<std::string> expected;
};

TEST(TextTest, SplitText) {
  const SplitCase cases[] = {
      {"", ",", std::nullopt, {}},
      {"abc", ",", std::nullopt, {"abc"}},
      {"a,,b", ",", std::nullopt, {"a", "", "b"}},
      {",a", ",", std::nullopt, {"", "a"}},
      {"a,", ",", std::nullopt, {"a"}},
      {"a,,", ",", std::nullopt, {"a", ""}},
      {"a,b,c", ",", 2, {"a", "b"}},
      {"a,b,c", ",", 5, {"a", "b", "c"}},
      {"a,b,c", ",", 0, {}},
      {"a,b,c", ",", -1, {}},
      {"a,b", "", std::nullopt, {"a,b"}},
      {"\xB0,x,y", ",", std::nullopt, {"\xB0,x", "y"}},  // B0 2C is a character
      {"reco_reasonAreco_reasonB", "reco_reason", std::nullopt,
       {"", "A", "B"}},
      {"Areco_reason", "reco_reason", std::nullopt, {"A"}},
      {"aRECO_REASONb", "reco_reason", std::nullopt, {"aRECO_REASONb"}},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " at " + c.separator);
    TextArray pieces = SplitText(c.text, c.separator, c.count);
    std::vector<std::string> got;
    for (const Text& piece : pieces) got.push_back(piece.str());
    EXPECT_EQ(got, c.expected);
    EXPECT_EQ(ArrayCount(pieces), static_cast<int>(c.expected.size()));
  }
  EXPECT_EQ(ArrayCount(SplitText("a,b")), 2);  // the default separator
}

TEST(TextTest, TextArrayIndexOutsideTheArrayEndsTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TextArray pieces = SplitText("a,b");
  EXPECT_EQ(pieces[1], Text("a"));
  EXPECT_EQ(pieces[2], Text("b"));
  EXPECT_EXIT(pieces[0], testing::ExitedWithCode(kFatalExitCode),
              "index 0 outside 1..2");
  EXPECT_EXIT(pieces[3], testing::ExitedWithCode(kFatalExitCode),
              "index 3 outside");
}

TEST(TextTest, BlankText) {
  EXPECT_EQ(BlankText(3), Text("   "));
  EXPECT_EQ(BlankText(0), Text());
  EXPECT_EQ(BlankText(-2), Text());
}

TEST(TextTest, TextToInt) {
  struct Case {
    const char* text;
    int32_t expected;
  };
  const Case cases[] = {
      {"100", 100},
      {"  12abc", 12},
      {"", 0},
      {"abc", 0},
      {"3.9", 3},
      {"-5", -5},
      {"+8", 8},
      {"- 5", 0},
      {"\t\r\n\v\f 9", 9},
      {"\xA3\xB1\xA3\xB2", 12},                // full-width digits
      {"\xA3\xAD\xA3\xB3", -3},                // full-width minus
      {"\xA1\xA1" "7", 7},                     // full-width blank
      {"\xA3\xB1" "0\xA3\xB0", 100},           // mixed widths
      {"2147483647", 2147483647},
      {"2147483648", std::numeric_limits<int32_t>::min()},  // wraps
      {"4294967297", 1},
      {"\xD6\xD0" "5", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(TextToInt(c.text), c.expected);
  }
}

TEST(TextTest, NumberToText) {
  struct Case {
    double number;
    const char* expected;
  };
  const Case cases[] = {
      {5.0, "5"},
      {0.0, "0"},
      {-2.5, "-2.5"},
      {0.5, "0.5"},
      {1.0 / 3.0, "0.3333333333333"},
      {1234567890123.0, "1234567890123"},
      {1e13, "1e+013"},
      {1e100, "1e+100"},
      {0.0001, "0.0001"},
      {0.00001, "1e-005"},
      {123456.0, "123456"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(NumberToText(c.number), Text(c.expected));
  }
  EXPECT_EQ(NumberToText(42), Text("42"));
  EXPECT_EQ(NumberToText(-7), Text("-7"));
}

TEST(TextTest, TruncateToIntegerTowardZero) {
  EXPECT_EQ(TruncateToInteger(2.9), 2);
  EXPECT_EQ(TruncateToInteger(-2.9), -2);
  EXPECT_EQ(TruncateToInteger(4294967296.5), 4294967296LL);
  EXPECT_EQ(TruncateToInteger(std::nan("")),
            std::numeric_limits<int64_t>::min());
  EXPECT_EQ(TruncateToInteger(1e300), std::numeric_limits<int64_t>::min());
}

TEST(TextTest, BitwiseOr) {
  EXPECT_EQ(BitwiseOr(0x20000000, static_cast<int32_t>(0x80000000)),
            static_cast<int32_t>(0xA0000000));
  EXPECT_EQ(BitwiseOr(1, 2, 4), 7);
}

}  // namespace
}  // namespace feed
