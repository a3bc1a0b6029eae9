#include "text/code_page.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/support/feed_reply_fixture.h"

namespace feed {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

// 中文 in each form.
constexpr std::string_view kZhongWenUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";
constexpr std::string_view kZhongWenGbk = "\xD6\xD0\xCE\xC4";
constexpr std::string_view kZhongWenUtf16 = "\x2D\x4E\x87\x65"sv;

std::string Hex(std::string_view bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (char c : bytes) {
    auto b = static_cast<unsigned char>(c);
    if (!out.empty()) out += ' ';
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

struct Utf8Case {
  std::string_view utf8;
  std::string_view gbk;
};

TEST(CodePageTest, Utf8ToGbkConvertsTheWholeInput) {
  const Utf8Case cases[] = {
      {kZhongWenUtf8, kZhongWenGbk},
      {"plain ASCII, {\"json\": 1}\r\n", "plain ASCII, {\"json\": 1}\r\n"},
      {"", ""},
      // Text that is already GBK: each byte that cannot start or continue a
      // sequence is one "?", and what follows is still converted.
      {"\xD6\xD0\xCE\xC4 tail", "???? tail"},
      // A sequence cut short by ASCII, a stray continuation byte, an
      // over-long form and a surrogate.
      {"a\xE4\xB8" "b\x80" "c\xC0\xAF" "d\xED\xA0\x80" "e", "a?b?c??d??e"},
      // Outside the Basic Multilingual Plane: one "?" per UTF-16 unit.
      {"\xF0\x9F\x98\x80!", "??" "!"},
      // The euro sign and a character with no code in code page 936.
      {"\xE2\x82\xAC\xE0\xB8\x81", "\x80?"},
  };
  for (const Utf8Case& c : cases) {
    SCOPED_TRACE(Hex(c.utf8));
    EXPECT_EQ(Hex(Utf8ToGbk(Text(c.utf8)).view()), Hex(c.gbk));
  }
}

struct ToUtf16Case {
  std::string_view text;
  int codePage;
  std::string_view utf16;
};

TEST(CodePageTest, MultiByteToUtf16EndsWithTheNulUnit) {
  const ToUtf16Case cases[] = {
      {"", kCodePageUtf8, "\0\0"sv},
      {"", kCodePageGbk, "\0\0"sv},
      {"A", kCodePageUtf8, "A\0\0\0"sv},
      {kZhongWenUtf8, kCodePageUtf8, "\x2D\x4E\x87\x65\0\0"sv},
      {kZhongWenGbk, kCodePageGbk, "\x2D\x4E\x87\x65\0\0"sv},
      {"\xE4\xB8" "A", kCodePageUtf8, "\xFD\xFF" "A\0\0\0"sv},
      // A lead byte at the end has no trail byte.
      {"A\xD6", kCodePageGbk, "A\0?\0\0\0"sv},
      {"A", 12345, ""},  // no such code page
  };
  for (const ToUtf16Case& c : cases) {
    SCOPED_TRACE(Hex(c.text) + " in " + std::to_string(c.codePage));
    EXPECT_EQ(Hex(MultiByteToUtf16(Text(c.text), c.codePage).view()), Hex(c.utf16));
  }
  EXPECT_EQ(MultiByteToUtf16(Text(kZhongWenUtf8)),
            MultiByteToUtf16(Text(kZhongWenUtf8), kCodePageUtf8));
}

TEST(CodePageTest, GbkToUtf16AddsTheTerminatorUnlessAskedNotTo) {
  EXPECT_EQ(GbkToUtf16("A"), Bytes("A\0\0\0"sv));
  EXPECT_EQ(GbkToUtf16("A", /*omitTerminator=*/true), Bytes("A\0"sv));
  EXPECT_EQ(GbkToUtf16(Text(kZhongWenGbk)), Bytes("\x2D\x4E\x87\x65\0\0"sv));
  EXPECT_EQ(GbkToUtf16(Text(kZhongWenGbk), true), Bytes(kZhongWenUtf16));
  // The empty text has no terminator either way.
  EXPECT_EQ(GbkToUtf16(""), Bytes());
  EXPECT_EQ(GbkToUtf16("", true), Bytes());
}

struct FromUtf16Case {
  std::string_view utf16;
  std::string_view gbk;
};

TEST(CodePageTest, Utf16ToGbkStopsAtTheFirstNulUnit) {
  const FromUtf16Case cases[] = {
      {"A\0B\0"sv, "AB"},
      {"A\0\0\0B\0"sv, "A"},
      {"A\0B"sv, "A"},  // an odd last byte is no unit
      {"", ""},
      {"\0\0A\0"sv, ""},
      {"A"sv, ""},
      // No NUL unit at all, as when a host name is cut out of a longer
      // string: exactly the units given.
      {kZhongWenUtf16, kZhongWenGbk},
      // Unrepresentable: a Thai letter and both halves of an emoji.
      {"\x01\x0E\x3D\xD8\x00\xDE"sv, "???"},
      // A letter and a combining acute accent are e-acute.
      {"e\0\x01\x03"sv, "\xA8\xA6"},
  };
  for (const FromUtf16Case& c : cases) {
    SCOPED_TRACE(Hex(c.utf16));
    EXPECT_EQ(Hex(Utf16ToGbk(Bytes(c.utf16)).view()), Hex(c.gbk));
  }
}

TEST(CodePageTest, Utf16ToMultiByteEncodesInTheCodePageAsked) {
  Bytes zhongWen(std::string(kZhongWenUtf16) + "\0\0X\0"s);
  EXPECT_EQ(Utf16ToMultiByte(zhongWen, kCodePageGbk), Text(kZhongWenGbk));
  EXPECT_EQ(Utf16ToMultiByte(zhongWen, kCodePageUtf8), Text(kZhongWenUtf8));
  EXPECT_EQ(Utf16ToMultiByte(Bytes("A\0B\0"sv)), Text("AB"));
  EXPECT_EQ(Utf16ToMultiByte(Bytes("A\0B\0"sv), 12345), Text());
  // Without composition: e and the accent stay two characters.
  EXPECT_EQ(Utf16ToMultiByte(Bytes("e\0\x01\x03"sv), kCodePageGbk), Text("e?"));
}

TEST(CodePageTest, Utf8AndGbkRoundTrip) {
  const std::string utf8 = "\xE5\xB7\xB2\xE5\x8E\xBB\xE9\x87\x8D\xE5\xA4\x8D.txt";  // 已去重复.txt
  const Text gbk("\xD2\xD1\xC8\xA5\xD6\xD8\xB8\xB4.txt");
  EXPECT_EQ(GbkToUtf8(gbk), utf8);
  EXPECT_EQ(Utf8ViewToGbk(utf8), gbk);
  EXPECT_EQ(GbkToUtf8(Text()), "");
  EXPECT_EQ(Utf8ViewToGbk(""), Text());
}

TEST(CodePageTest, ConversionsRunOnSeveralThreadsAtOnce) {
  const Text reply(MakeFeedReplyUtf8(MakeFixtureItems(20, 7)));
  const Text expected = Utf8ToGbk(reply);
  std::vector<std::thread> threads;
  std::vector<int> mismatches(4, 0);
  for (int& count : mismatches) {
    threads.emplace_back([&reply, &expected, &count] {
      for (int i = 0; i < 50; ++i) count += Utf8ToGbk(reply) != expected;
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace feed
