// Our code page 936 tables and UTF-8 codec against the system's iconv, for
// every double-byte code and every character. Where Windows defines the
// code page beyond iconv (the private use characters of the undefined and
// user-defined codes, the byte 0xFF) the tables follow Windows; that is
// the only difference allowed.

#include <iconv.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "text/cp936_codec.h"
#include "text/utf16_bytes.h"

namespace feed::codec {
namespace {

class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // The whole of |in| converted, or nothing when iconv rejects any of it.
  std::optional<std::string> operator()(std::string_view in) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string out(4 * in.size() + 16, '\0');
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    char* dst = out.data();
    size_t dst_left = out.size();
    if (iconv(cd_, &src, &src_left, &dst, &dst_left) == static_cast<size_t>(-1)) {
      return std::nullopt;
    }
    out.resize(out.size() - dst_left);
    return out;
  }

 private:
  iconv_t cd_;
};

std::string Unit(uint32_t unit) {
  std::string out(2, '\0');
  StoreUnit(static_cast<uint16_t>(unit), out.data());
  return out;
}

std::string OurGbkToUtf16(std::string_view gbk) {
  std::string out(2 * gbk.size(), '\0');
  out.resize(GbkToUtf16(gbk, out.data()));
  return out;
}

std::string OurUtf16ToGbk(std::string_view utf16) {
  std::string out(utf16.size(), '\0');
  out.resize(Utf16ToGbk(utf16, /*composeMarks=*/false, out.data()));
  return out;
}

bool IsWindowsPrivateUse(uint32_t unit) {
  return (unit >= 0xE000 && unit <= 0xE864) || unit == 0xF8F5;
}

TEST(Cp936IconvTest, EveryDoubleByteCodeDecodesAsIconvDoes) {
  Iconv to_utf16("UTF-16LE", "CP936");
  ASSERT_TRUE(to_utf16.ok());
  std::set<uint16_t> private_use;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const std::string code{static_cast<char>(lead), static_cast<char>(trail)};
      SCOPED_TRACE(testing::Message() << std::hex << lead << trail);
      std::string ours = OurGbkToUtf16(code);
      ASSERT_EQ(ours.size(), 2u);
      std::optional<std::string> theirs = to_utf16(code);
      if (theirs) {
        EXPECT_EQ(ours, *theirs);
      } else {
        EXPECT_TRUE(IsWindowsPrivateUse(LoadUnit(ours.data())));
        private_use.insert(LoadUnit(ours.data()));
      }
    }
  }
  // Every private use character U+E000-U+E864 is used exactly once.
  EXPECT_EQ(private_use.size(), 0xE865u - 0xE000u);
}

TEST(Cp936IconvTest, EverySingleByteDecodesAsIconvDoes) {
  Iconv to_utf16("UTF-16LE", "CP936");
  for (int byte = 0x01; byte <= 0xFF; ++byte) {
    const std::string code(1, static_cast<char>(byte));
    SCOPED_TRACE(byte);
    std::optional<std::string> theirs = to_utf16(code);
    if (byte == 0xFF) {
      EXPECT_EQ(OurGbkToUtf16(code), Unit(0xF8F5));
    } else if (theirs) {
      EXPECT_EQ(OurGbkToUtf16(code), *theirs);
    } else {
      EXPECT_EQ(OurGbkToUtf16(code), Unit('?'));  // a lead byte on its own
    }
  }
}

TEST(Cp936IconvTest, EveryCharacterEncodesAsIconvDoes) {
  Iconv to_gbk("CP936", "UTF-16LE");
  Iconv to_utf16("UTF-16LE", "CP936");
  for (uint32_t unit = 0x0001; unit <= 0xFFFF; ++unit) {
    SCOPED_TRACE(testing::Message() << "U+" << std::hex << unit);
    const std::string ours = OurUtf16ToGbk(Unit(unit));
    if (unit >= 0xD800 && unit < 0xE000) {
      EXPECT_EQ(ours, "?");  // an unpaired surrogate
      continue;
    }
    std::optional<std::string> theirs = to_gbk(Unit(unit));
    if (theirs) {
      EXPECT_EQ(ours, *theirs);
    } else if (IsWindowsPrivateUse(unit)) {
      EXPECT_EQ(OurGbkToUtf16(ours), Unit(unit));
    } else {
      EXPECT_EQ(ours, "?");
    }
  }
}

// Every code point as UTF-8 and as UTF-16, in one string each.
TEST(Cp936IconvTest, ValidUtf8ConvertsAsIconvDoes) {
  std::string utf32;
  for (uint32_t c = 1; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c < 0xE000) continue;
    for (int shift = 0; shift < 32; shift += 8) utf32 += static_cast<char>(c >> shift);
  }
  Iconv to_utf8("UTF-8", "UTF-32LE");
  Iconv to_utf16("UTF-16LE", "UTF-32LE");
  std::optional<std::string> utf8 = to_utf8(utf32);
  std::optional<std::string> utf16 = to_utf16(utf32);
  ASSERT_TRUE(utf8 && utf16);

  std::string decoded(2 * utf8->size(), '\0');
  decoded.resize(Utf8ToUtf16(*utf8, decoded.data()));
  EXPECT_TRUE(decoded == *utf16);
  std::string encoded(utf16->size() / 2 * 3, '\0');
  encoded.resize(Utf16ToUtf8(*utf16, encoded.data()));
  EXPECT_TRUE(encoded == *utf8);
}

}  // namespace
}  // namespace feed::codec
