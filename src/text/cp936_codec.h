// Conversions between UTF-8, code page 936 and UTF-16 (little-endian units
// in bytes, see utf16_bytes.h) that replace what they cannot convert the way
// the Windows code page service does with flags 0:
//
//  * Undecodable UTF-8 becomes U+FFFD. A sequence ends at the first byte
//    that cannot continue it; a lead byte that no sequence starts with, and
//    a stray continuation byte, each become one U+FFFD. Over-long forms,
//    UTF-16 surrogates and code points above U+10FFFF are rejected after
//    their second byte, so E0 80 80 gives two U+FFFD and F4 90 80 80 three.
//    The end of the input ends a sequence like any other byte that cannot
//    continue it.
//  * In code page 936 a lead byte (0x81-0xFE) followed by any non-zero byte
//    is one character, "?" when the pair is none; a lead byte at the end, or
//    before a zero byte, is "?".
//  * A UTF-16 unit that code page 936 has no code for becomes "?"; each
//    unit of a surrogate pair on its own, so a character outside the Basic
//    Multilingual Plane gives "??". Unpaired surrogates become U+FFFD in
//    UTF-8.
//
// Every routine converts the whole input, writes into |out|, which must have
// room for the bound stated, and returns the number of bytes written. None
// reads before or past its input or allocates. Pure; any thread.
// Internal to src/text.

#ifndef FEED_COLLECTOR_TEXT_CP936_CODEC_H_
#define FEED_COLLECTOR_TEXT_CP936_CODEC_H_

#include <cstddef>
#include <string_view>

namespace feed::codec {

// Room: 2 * utf8.size() bytes.
size_t Utf8ToUtf16(std::string_view utf8, char* out);

// Room: 2 * gbk.size() bytes.
size_t GbkToUtf16(std::string_view gbk, char* out);

// Every unit of |utf16| (an odd last byte is ignored), NUL units included.
// With |composeMarks| a letter followed by a combining mark that together
// are a character of the code page gives that character's code (e followed
// by U+0301 gives the code of e-acute), as WC_COMPOSITECHECK does; a pair
// that composes to nothing in the code page stays two characters. Only
// adjacent pairs compose, and a composed character takes no further mark.
// Room: utf16.size() bytes.
size_t Utf16ToGbk(std::string_view utf16, bool composeMarks, char* out);

// Room: utf16.size() / 2 * 3 bytes.
size_t Utf16ToUtf8(std::string_view utf16, char* out);

// Utf8ToUtf16 followed by Utf16ToGbk without composition, in one pass.
// Room: utf8.size() bytes.
size_t Utf8ToGbk(std::string_view utf8, char* out);

// GbkToUtf16 followed by Utf16ToUtf8, in one pass. Room: 3 * gbk.size().
size_t GbkToUtf8(std::string_view gbk, char* out);

}  // namespace feed::codec

#endif  // FEED_COLLECTOR_TEXT_CP936_CODEC_H_
