#include "text/cp936_codec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tests/support/feed_reply_fixture.h"
#include "text/utf16_bytes.h"

namespace feed::codec {
namespace {

std::vector<uint16_t> Units(std::string_view utf16) {
  std::vector<uint16_t> units;
  for (size_t i = 0; i + 1 < utf16.size(); i += 2) units.push_back(LoadUnit(&utf16[i]));
  return units;
}

std::string ToUtf16(std::string_view utf8) {
  std::string out(2 * utf8.size(), '\0');
  out.resize(Utf8ToUtf16(utf8, out.data()));
  return out;
}

std::string ToGbk(std::string_view utf16, bool composeMarks = false) {
  std::string out(utf16.size(), '\0');
  out.resize(Utf16ToGbk(utf16, composeMarks, out.data()));
  return out;
}

struct DecodeCase {
  std::string_view utf8;
  std::vector<uint16_t> units;
};

// How undecodable UTF-8 is replaced, as measured on the Windows service
// (under Wine): a sequence ends at the first byte that cannot continue it.
TEST(Cp936CodecTest, UndecodableUtf8BecomesReplacementsLikeOnWindows) {
  const DecodeCase cases[] = {
      {"\xC3\xA9", {0x00E9}},
      {"\xEF\xBB\xBF" "A", {0xFEFF, 'A'}},
      {"\xEF\xBF\xBF", {0xFFFF}},
      {"\xED\x9F\xBF", {0xD7FF}},
      {"\xF0\x90\x80\x80", {0xD800, 0xDC00}},
      {"\xF4\x8F\xBF\xBF", {0xDBFF, 0xDFFF}},
      // Bytes that start no sequence, one U+FFFD each.
      {"\x80" "A", {0xFFFD, 'A'}},
      {"\xBF\xBF", {0xFFFD, 0xFFFD}},
      {"\xC0\x80" "A", {0xFFFD, 0xFFFD, 'A'}},
      {"\xC1\xBF", {0xFFFD, 0xFFFD}},
      {"\xF5\x80\x80\x80", {0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD}},
      {"\xF8\x88\x80\x80\x80", {0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD}},
      {"\xFE\xFF", {0xFFFD, 0xFFFD}},
      // Over-long forms, surrogates and code points above U+10FFFF: the
      // first two bytes are one U+FFFD, each further byte another.
      {"\xE0\x80\x80" "A", {0xFFFD, 0xFFFD, 'A'}},
      {"\xE0\x9F\xBF", {0xFFFD, 0xFFFD}},
      {"\xED\xA0\x80", {0xFFFD, 0xFFFD}},
      {"\xF0\x80\x80\x80", {0xFFFD, 0xFFFD, 0xFFFD}},
      {"\xF0\x8F\xBF\xBF", {0xFFFD, 0xFFFD, 0xFFFD}},
      {"\xF4\x90\x80\x80", {0xFFFD, 0xFFFD, 0xFFFD}},
      // A sequence broken off by a byte that cannot continue it: what came
      // so far is one U+FFFD, and the byte starts afresh.
      {"\xE4\xB8" "A", {0xFFFD, 'A'}},
      {"\xE4\xB8\xC3\xA9", {0xFFFD, 0x00E9}},
      {"\xF0\x9F\x98" "A", {0xFFFD, 'A'}},
      {"\xF0\x9F\xC3\xA9", {0xFFFD, 0x00E9}},
      // The end of the input breaks a sequence off in the same way. (Under
      // Wine, a sequence whose full length would run past the end swallows
      // the rest: "\xF0" "A" gives only U+FFFD there.)
      {"\xE4\xB8", {0xFFFD}},
      {"\xF0\x9F", {0xFFFD}},
      {"\xF0" "A", {0xFFFD, 'A'}},
      {"\xF4\x90\x80", {0xFFFD, 0xFFFD}},
      {"A\xC3", {'A', 0xFFFD}},
  };
  for (const DecodeCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.utf8)));
    EXPECT_EQ(Units(ToUtf16(c.utf8)), c.units);
  }
}

struct GbkCase {
  std::string_view gbk;
  std::vector<uint16_t> units;
};

TEST(Cp936CodecTest, GbkDecodesPairsAndReplacesWhatIsNone) {
  const GbkCase cases[] = {
      {"\xD6\xD0" "A", {0x4E2D, 'A'}},
      {"\x80\xFF", {0x20AC, 0xF8F5}},
      {"\xAA\xA1", {0xE000}},  // the first code of the user-defined areas
      // A lead byte takes any non-zero byte after it: the pair is "?" when
      // it is no character.
      {"\xD6" "1A", {'?', 'A'}},
      {"\xD6\x7F", {'?'}},
      {"\xD6\xFF", {'?'}},
      {"\xD6", {'?'}},
      {std::string_view("\xD6\0A", 3), {'?', 0, 'A'}},
  };
  for (const GbkCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.gbk)));
    std::string out(2 * c.gbk.size(), '\0');
    out.resize(GbkToUtf16(c.gbk, out.data()));
    EXPECT_EQ(Units(out), c.units);
  }
}

TEST(Cp936CodecTest, MarksComposeOnlyWhenAsked) {
  using namespace std::string_view_literals;
  // e + acute, u + diaeresis + acute (only the first two compose), A +
  // ring (A-ring has no code), ka + voicing mark.
  const std::string_view utf16 =
      "e\0\x01\x03u\0\x08\x03\x01\x03" "A\0\x0A\x03\x4B\x30\x99\x30"sv;
  EXPECT_EQ(ToGbk(utf16, true), "\xA8\xA6\xA8\xB9?A?\xA4\xAC");
  EXPECT_EQ(ToGbk(utf16, false), "\x65?u??A?\xA4\xAB?");
  // Four ASCII letters right before a mark: the last one still composes.
  EXPECT_EQ(ToGbk("x\0y\0z\0e\0\x01\x03"sv, true), "xyz\xA8\xA6");
}

// A mix of every kind of byte, for the properties below.
std::string MixedBytes(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::string out;
  while (out.size() < size) {
    switch (random() % 4) {
      case 0: out += "reco_reason\":\"";  break;
      case 1: out += "\xE4\xB8\xAD\xF0\x9F\x98\x80\xC3\xA9"; break;
      default: out += static_cast<char>(random() % 255 + 1); break;
    }
  }
  return out;
}

TEST(Cp936CodecTest, OnePassConversionsEqualTheirTwoSteps) {
  std::vector<std::string> inputs = {MakeFeedReplyUtf8(MakeFixtureItems(20, 7))};
  for (uint32_t seed = 1; seed <= 20; ++seed) inputs.push_back(MixedBytes(4000, seed));
  for (const std::string& input : inputs) {
    std::string gbk(input.size(), '\0');
    gbk.resize(Utf8ToGbk(input, gbk.data()));
    EXPECT_EQ(gbk, ToGbk(ToUtf16(input)));
    ASSERT_LE(gbk.size(), input.size());

    std::string utf16(2 * input.size(), '\0');
    utf16.resize(GbkToUtf16(input, utf16.data()));
    std::string utf8(3 * input.size(), '\0');
    utf8.resize(GbkToUtf8(input, utf8.data()));
    std::string two_steps(3 * utf16.size() / 2, '\0');
    two_steps.resize(Utf16ToUtf8(utf16, two_steps.data()));
    EXPECT_EQ(utf8, two_steps);
  }
}

}  // namespace
}  // namespace feed::codec
