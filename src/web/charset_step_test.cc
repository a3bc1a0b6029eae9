#include "web/charset_step.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/feed_reply_fixture.h"
#include "web/charset_decoder.h"
#include "web/charset_names.h"

namespace feed {
namespace {

using namespace std::string_literals;

// "中文" in code page 936, UTF-8 and Big5; "日本" in Shift_JIS and 936.
const std::string kChineseGbk = "\xD6\xD0\xCE\xC4";
const std::string kChineseUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";
const std::string kChineseBig5 = "\xA4\xA4\xA4\xE5";
const std::string kJapaneseSjis = "\x93\xFA\x96\x7B";
const std::string kJapaneseGbk = "\xC8\xD5\xB1\xBE";

// Runs the step the way the web request does: the reply text is the body
// up to its first zero byte.
Text Decode(const std::string& body, RegexMatcher& matcher) {
  Bytes bytes(body);
  Text reply = BytesToText(bytes);
  ApplyDeclaredCharset(matcher, bytes, reply);
  return reply;
}

Text Decode(const std::string& body) {
  RegexMatcher matcher;
  return Decode(body, matcher);
}

TEST(CharsetStepTest, DeclaredCharsetsAreDecoded) {
  struct Case {
    const char* name;
    std::string head;
    std::string text;
    std::string expected;  // after the head
  };
  const Case cases[] = {
      {"utf-8 in quotes",
       "<meta http-equiv=\"Content-Type\" content=\"text/html; "
       "charset=utf-8\">",
       kChineseUtf8, kChineseGbk},
      {"utf-8 without quotes", "<meta charset=utf-8>", kChineseUtf8,
       kChineseGbk},
      {"upper case", "<META CHARSET=\"UTF-8\">", kChineseUtf8, kChineseGbk},
      {"gbk is decoded too", "<meta charset='gbk'>", kChineseGbk,
       kChineseGbk},
      {"gb2312", "<meta charset=\"gb2312\" />", kChineseGbk, kChineseGbk},
      {"big5", "<meta charset=\"big5\">", kChineseBig5, kChineseGbk},
      {"shift_jis", "<meta charset=\"Shift_JIS\">", kJapaneseSjis,
       kJapaneseGbk},
      // Decoded where the system has it, kept where it does not: the
      // same text either way for characters GBK shares.
      {"gb18030", "<meta charset=\"gb18030\">", kChineseGbk, kChineseGbk},
      {"characters GBK lacks become ?", "<meta charset=\"utf-8\">",
       "\xC3\x85\xE0\xB8\x81", "??"},  // Å and a Thai letter
      {"the text ends at a zero byte", "<meta charset=\"utf-8\">",
       kChineseUtf8 + "\0x"s, kChineseGbk},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string body = "<html><head>" + c.head + "</head>" + c.text;
    const std::string decodedHead = "<html><head>" + c.head + "</head>";
    EXPECT_EQ(Decode(body), Text(decodedHead + c.expected));
  }
}

TEST(CharsetStepTest, RepliesWithoutAUsableDeclarationAreKept) {
  const std::string json =
      MakeFeedReplyUtf8(MakeFixtureItems(3, /*seed=*/7));
  const std::string after1024 =
      std::string(1024, ' ') + "<meta charset=\"utf-8\">" + kChineseUtf8;
  const std::string unknown = "<meta charset=\"x-klingon\">" + kChineseUtf8;
  const std::string emptyName = "<meta charset=\"\">" + kChineseUtf8;
  for (const std::string& body : {json, after1024, unknown, emptyName}) {
    SCOPED_TRACE(body.substr(0, 40));
    EXPECT_EQ(Decode(body), BytesToText(Bytes(body)));
  }

  RegexMatcher matcher;
  Decode(json, matcher);
  EXPECT_EQ(matcher.MatchCount(), 0);  // the search ran and found nothing
}

TEST(CharsetStepTest, OnlyTheFirst1024BytesAreSearched) {
  // The limit falls inside the name: "big5-hkscs" is seen as "big5".
  const std::string declaration = "<meta charset=\"big5";
  const std::string padding(1024 - declaration.size(), ' ');
  const std::string body =
      padding + declaration + "-hkscs\">" + kChineseBig5;
  RegexMatcher matcher;
  EXPECT_EQ(Decode(body, matcher),
            Text(padding + declaration + "-hkscs\">" + kChineseGbk));
  EXPECT_EQ(matcher.SubmatchText(1, 1), Text("big5"));

  // Cut to a name nobody knows: kept.
  const std::string cut = "<meta charset=\"ut";
  const std::string body2 = std::string(1024 - cut.size(), ' ') + cut +
                            "f-8\">" + kChineseUtf8;
  EXPECT_EQ(Decode(body2, matcher), BytesToText(Bytes(body2)));
  EXPECT_EQ(matcher.SubmatchText(1, 1), Text("ut"));
}

TEST(CharsetNamesTest, NamesIgnoreLetterCase) {
  struct Case {
    const char* name;
    int codePage;
  };
  const Case cases[] = {
      {"utf-8", 65001},     {"UTF-8", 65001},     {"Gb2312", 936},
      {"GBK", 936},         {"BIG5", 950},        {"Shift_JIS", 932},
      {"euc-kr", 949},      {"ISO-8859-1", 28591}, {"windows-1258", 1258},
      {"US-ASCII", 20127},  {"x-klingon", 0},     {"", 0},
      {"utf-8 ", 0},        {"utf", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CodePageOfCharset(c.name), c.codePage);
  }
}

TEST(CharsetNamesTest, EveryKnownCharsetDecodesHere) {
  for (const CharsetName& charset : KnownCharsets()) {
    SCOPED_TRACE(charset.name);
    Text decoded = DecodeCharset(Bytes(std::string("abc")), charset.codePage);
    if (decoded.empty() && charset.codePage == 54936) continue;  // not here
    EXPECT_EQ(decoded, Text("abc"));
  }
}

}  // namespace
}  // namespace feed
