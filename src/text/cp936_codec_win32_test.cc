// Our code page 936 tables and UTF-8 codec (the POSIX build's code page
// service) against kernel32, on every code, every character and every
// UTF-8 sequence shape. The differences allowed are the ones we chose:
//
//  * kernel32 encodes some characters outside the code page to look-alikes
//    ("best fit": U+00C0 to the code of a-grave, U+00B2 to "2"); ours gives
//    "?" for them, also when such a character is made by composing a mark.
//  * Under Wine, a UTF-8 sequence whose full length would run past the
//    terminator swallows everything up to it, the terminator included;
//    ours ends the sequence there and keeps what follows.

#include <windows.h>

#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "tests/support/feed_reply_fixture.h"
#include "text/cp936_codec.h"
#include "text/utf16_bytes.h"

namespace feed::codec {
namespace {

constexpr UINT kGbk = 936;
constexpr UINT kUtf8 = 65001;
constexpr wchar_t kReplacement = 0xFFFD;

std::wstring WideOf(std::string_view utf16) {
  std::wstring wide;
  for (size_t i = 0; i + 1 < utf16.size(); i += 2) wide += static_cast<wchar_t>(LoadUnit(&utf16[i]));
  return wide;
}

std::string BytesOf(std::wstring_view wide) {
  std::string out(2 * wide.size(), '\0');
  for (size_t i = 0; i < wide.size(); ++i) StoreUnit(static_cast<uint16_t>(wide[i]), &out[2 * i]);
  return out;
}

// kernel32 decoding |bytes| and its terminator (length -1).
std::wstring SystemDecode(UINT codePage, const std::string& bytes) {
  int units = ::MultiByteToWideChar(codePage, 0, bytes.c_str(), -1, nullptr, 0);
  std::wstring out(static_cast<size_t>(units), L'\0');
  ::MultiByteToWideChar(codePage, 0, bytes.c_str(), -1, out.data(), units);
  return out;
}

std::string SystemEncode(UINT codePage, DWORD flags, std::wstring_view wide) {
  if (wide.empty()) return std::string();
  int size = ::WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()),
                                   nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), out.data(),
                        size, nullptr, nullptr);
  return out;
}

// Ours, on |bytes| followed by the terminator, as kernel32 is asked.
std::wstring OurDecode(UINT codePage, const std::string& bytes) {
  std::string out(2 * bytes.size(), '\0');
  out.resize(codePage == kUtf8 ? Utf8ToUtf16(bytes, out.data()) : GbkToUtf16(bytes, out.data()));
  return WideOf(out) + L'\0';
}

std::string OurEncode(UINT codePage, bool composeMarks, std::wstring_view wide) {
  std::string utf16 = BytesOf(wide);
  std::string out(3 * wide.size(), '\0');
  out.resize(codePage == kUtf8 ? Utf16ToUtf8(utf16, out.data())
                               : Utf16ToGbk(utf16, composeMarks, out.data()));
  return out;
}

std::string Hex(std::string_view bytes) {
  std::string out;
  char digits[4];
  for (char c : bytes) {
    std::snprintf(digits, sizeof digits, "%02X ", static_cast<unsigned char>(c));
    out += digits;
  }
  return out;
}

std::string Hex(std::wstring_view wide) {
  std::string out;
  char digits[6];
  for (wchar_t c : wide) {
    std::snprintf(digits, sizeof digits, "%04X ", static_cast<unsigned>(c));
    out += digits;
  }
  return out;
}

// A character that kernel32 encodes to a code which decodes to another
// character: a one-way look-alike.
bool IsBestFit(std::wstring_view character, const std::string& code) {
  std::wstring back = SystemDecode(kGbk, code);
  return !code.empty() && code != "?" && back.substr(0, back.size() - 1) != character;
}

TEST(Cp936Kernel32Test, EveryByteAndEveryPairDecodesAlike) {
  for (int byte = 0x01; byte <= 0xFF; ++byte) {
    const std::string code(1, static_cast<char>(byte));
    ASSERT_EQ(Hex(OurDecode(kGbk, code)), Hex(SystemDecode(kGbk, code))) << Hex(code);
  }
  // Each lead byte followed by every non-zero byte, the pairs one after the
  // other: a lead byte takes any such byte as its trail.
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    std::string pairs;
    for (int trail = 0x01; trail <= 0xFF; ++trail) {
      pairs += static_cast<char>(lead);
      pairs += static_cast<char>(trail);
    }
    ASSERT_EQ(Hex(OurDecode(kGbk, pairs)), Hex(SystemDecode(kGbk, pairs))) << "lead " << lead;
  }
}

TEST(Cp936Kernel32Test, EveryCharacterEncodesAlikeButForBestFit) {
  int best_fit = 0;
  for (wchar_t unit = 0x0001; unit != 0; ++unit) {
    const std::wstring_view character(&unit, 1);
    const std::string ours = OurEncode(kGbk, false, character);
    const std::string system = SystemEncode(kGbk, 0, character);
    if (ours == system) continue;
    ASSERT_EQ(ours, "?") << "U+" << Hex(character) << "kernel32 " << Hex(system);
    ASSERT_TRUE(IsBestFit(character, system)) << "U+" << Hex(character);
    ++best_fit;
  }
  std::cout << "kernel32 encodes " << best_fit << " characters to look-alikes\n";
}

// Checks one letter and mark: either both compose them alike, or neither
// does, or kernel32 composes them to a look-alike of the composed character.
// Returns whether it was the look-alike.
bool ComposesAlikeButForBestFit(std::wstring_view pair) {
  const std::string ours = OurEncode(kGbk, true, pair);
  const std::string system = SystemEncode(kGbk, WC_COMPOSITECHECK, pair);
  if (ours == system) return false;
  // Whatever kernel32 did, we did not compose.
  EXPECT_EQ(ours, OurEncode(kGbk, false, pair)) << Hex(pair);
  if (system == SystemEncode(kGbk, 0, pair)) return false;  // neither did it
  wchar_t composed[4] = {};
  int length = ::NormalizeString(NormalizationC, pair.data(), 2, composed, 4);
  std::wstring_view character(composed, length == 1 ? 1 : 0);
  EXPECT_EQ(system, SystemEncode(kGbk, 0, character)) << Hex(pair);
  EXPECT_TRUE(IsBestFit(character, system)) << Hex(pair);
  return true;
}

TEST(Cp936Kernel32Test, MarksComposeAlikeButForBestFit) {
  // Every letter and sign below the CJK ideographs, each followed by every
  // combining diacritic and kana voicing mark; the characters of the code
  // page that compose are all among them. The letters that we encode alike
  // go through in one string per mark; the look-alikes pair by pair.
  std::wstring alike;
  std::vector<wchar_t> unlike;
  for (wchar_t base = 0x0001; base < 0x3400; ++base) {
    const std::wstring_view character(&base, 1);
    if (OurEncode(kGbk, false, character) == SystemEncode(kGbk, 0, character)) {
      alike += base;
    } else {
      unlike.push_back(base);
    }
  }
  std::vector<wchar_t> marks;
  for (wchar_t mark = 0x0300; mark <= 0x036F; ++mark) marks.push_back(mark);
  marks.push_back(0x3099);
  marks.push_back(0x309A);

  int best_fit = 0;
  for (wchar_t mark : marks) {
    std::wstring pairs;
    for (wchar_t base : alike) {
      pairs += base;
      pairs += mark;
    }
    if (OurEncode(kGbk, true, pairs) != SystemEncode(kGbk, WC_COMPOSITECHECK, pairs)) {
      for (size_t i = 0; i < pairs.size(); i += 2) {
        best_fit += ComposesAlikeButForBestFit(std::wstring_view(&pairs[i], 2));
      }
    }
    for (wchar_t base : unlike) {
      const wchar_t pair[] = {base, mark};
      best_fit += ComposesAlikeButForBestFit(std::wstring_view(pair, 2));
    }
    ASSERT_FALSE(HasFailure()) << "mark " << Hex(std::wstring_view(&mark, 1));
  }
  std::cout << "kernel32 composes " << best_fit << " pairs to look-alikes\n";
}

TEST(Cp936Kernel32Test, EveryUnitEncodesToUtf8Alike) {
  std::wstring units;
  for (wchar_t unit = 0x0001; unit != 0; ++unit) units += unit;
  // Surrogates in every arrangement: paired, reversed, alone at either end.
  units += L"\xD83D\xDE00" L"\xDE00\xD83D" L"A\xDBFF";
  EXPECT_TRUE(OurEncode(kUtf8, false, units) == SystemEncode(kUtf8, 0, units));
  std::wstring lone = L"\xDC00";
  EXPECT_EQ(OurEncode(kUtf8, false, lone), SystemEncode(kUtf8, 0, lone));
}

// Bytes that stand for every way a byte can matter to the UTF-8 decoder:
// ASCII, the continuation byte ranges the second byte checks tell apart, and
// every kind of lead byte.
const unsigned char kShapes[] = {0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0,
                                 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xEC, 0xED, 0xEE, 0xEF,
                                 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xF7, 0xF8, 0xFF};

// Every sequence of |length| shape bytes.
std::vector<std::string> Sequences(int length) {
  std::vector<std::string> out = {""};
  for (int i = 0; i < length; ++i) {
    std::vector<std::string> longer;
    for (const std::string& s : out) {
      for (unsigned char b : kShapes) longer.push_back(s + static_cast<char>(b));
    }
    out.swap(longer);
  }
  return out;
}

TEST(Cp936Kernel32Test, EveryUtf8SequenceDecodesAlike) {
  // Every two bytes, and every sequence of up to four shape bytes, each
  // followed by two ASCII letters so that no sequence runs into the end.
  // ASCII ends any sequence, so they can be decoded all in one string.
  std::string all;
  for (int first = 0x80; first <= 0xFF; ++first) {
    for (int second = 0x01; second <= 0xFF; ++second) {
      all += static_cast<char>(first);
      all += static_cast<char>(second);
      all += "AA";
    }
  }
  for (int length = 1; length <= 4; ++length) {
    for (const std::string& s : Sequences(length)) all += s + "AA";
  }
  EXPECT_TRUE(OurDecode(kUtf8, all) == SystemDecode(kUtf8, all));
}

TEST(Cp936Kernel32Test, Utf8AtTheEndDecodesAlikeButForWinesSwallowing) {
  int swallowed = 0;
  for (int length = 1; length <= 3; ++length) {
    for (const std::string& s : Sequences(length)) {
      const std::string text = "A" + s;
      std::wstring ours = OurDecode(kUtf8, text);
      std::wstring system = SystemDecode(kUtf8, text);
      if (ours == system) continue;
      // The swallowing: the system's result is ours up to a U+FFFD that
      // took the rest, the terminator included.
      ASSERT_FALSE(system.empty()) << Hex(text);
      ASSERT_NE(system.back(), L'\0') << Hex(text);
      ASSERT_EQ(system.back(), kReplacement) << Hex(text);
      ASSERT_EQ(ours.substr(0, system.size() - 1), system.substr(0, system.size() - 1))
          << Hex(text);
      ++swallowed;
    }
  }
  std::cout << "Wine swallows the end of " << swallowed << " texts\n";
}

TEST(Cp936Kernel32Test, AReplyConvertsAlike) {
  const std::string reply = MakeFeedReplyUtf8(MakeFixtureItems(20, 7));
  std::string ours(reply.size(), '\0');
  ours.resize(Utf8ToGbk(reply, ours.data()));
  std::wstring wide = SystemDecode(kUtf8, reply);
  wide.pop_back();  // the terminator
  EXPECT_TRUE(ours == SystemEncode(kGbk, 0, wide));
}

}  // namespace
}  // namespace feed::codec
