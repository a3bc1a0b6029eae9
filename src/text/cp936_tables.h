// Code page 936 (GBK) mapping data, as Windows defines the code page, for
// the converters in cp936_codec.h. The data is generated into
// cp936_tables.cc by scripts/gen-cp936-tables; see that script for where
// each part comes from. Internal to src/text.

#ifndef FEED_COLLECTOR_TEXT_CP936_TABLES_H_
#define FEED_COLLECTOR_TEXT_CP936_TABLES_H_

#include <cstddef>
#include <cstdint>

namespace feed::cp936 {

inline constexpr unsigned char kFirstLead = 0x81;
inline constexpr unsigned char kLastLead = 0xFE;
inline constexpr unsigned char kFirstTrail = 0x40;

// The character of each byte read on its own: ASCII is itself, 0x80 and
// 0xFF are characters, and a lead byte without its trail byte is "?".
extern const uint16_t kSingleByte[256];

// The character of the pair lead, trail: kDoubleByte[lead - kFirstLead]
// [trail - kFirstTrail]. "?" for a trail byte that cannot follow a lead
// byte (0x7F, 0xFF); trail bytes below kFirstTrail cannot either.
extern const uint16_t kDoubleByte[kLastLead - kFirstLead + 1][256 - kFirstTrail];

// The code of each character of the Basic Multilingual Plane from U+0080:
// kEncodingPages[kEncodingPageIndex[c >> 8]][c & 0xFF]. 0 when the code page
// has no code for it; a code below 0x100 is one byte, any other two bytes,
// the lead byte in the high half.
extern const uint8_t kEncodingPageIndex[256];
extern const uint16_t kEncodingPages[][256];

// A letter followed by a combining mark that together make one character
// of the code page (e followed by U+0301 is e-acute), sorted by base, then
// mark.
struct Composition {
  uint16_t base;
  uint16_t mark;
  uint16_t composed;
};
extern const Composition kCompositions[];
extern const size_t kCompositionCount;

}  // namespace feed::cp936

#endif  // FEED_COLLECTOR_TEXT_CP936_TABLES_H_
