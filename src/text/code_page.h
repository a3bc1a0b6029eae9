// Conversions between code page 936 (GBK, the program's own text), UTF-8
// (the feed service's replies) and UTF-16 (the Windows system interfaces).
//
// UTF-16 data is held in Bytes as little-endian 16-bit code units. None of
// the routines reports an error: input that is not valid in its code page
// is replaced (U+FFFD when decoding, "?" when encoding to code page 936),
// never rejected, and an unsupported code page gives the empty result. Every
// result is a fresh value owned by the caller; all routines are pure and
// may run on any thread.
//
// Windows builds use kernel32's MultiByteToWideChar and WideCharToMultiByte;
// other builds use our own UTF-8 codec and code page 936 tables, which agree
// with them.

#ifndef FEED_COLLECTOR_TEXT_CODE_PAGE_H_
#define FEED_COLLECTOR_TEXT_CODE_PAGE_H_

#include <string>
#include <string_view>

#include "text/bytes.h"
#include "text/text_primitives.h"

namespace feed {

inline constexpr int kCodePageAnsi = 0;  // the system's ANSI code page
inline constexpr int kCodePageGbk = 936;
inline constexpr int kCodePageUtf8 = 65001;

// UTF-8 bytes to GBK: the whole input is decoded, never cut short.
Text Utf8ToGbk(const Text& text);

// The whole text with its terminator as UTF-16; always ends with the NUL
// code unit, so the empty text gives 00 00.
Bytes MultiByteToUtf16(const Text& text, int codePage = kCodePageUtf8);

// The code units before the first NUL (all when there is none), encoded
// without a terminator; unrepresentable characters become the code page's
// default character.
Text Utf16ToMultiByte(const Bytes& data, int codePage = kCodePageAnsi);

// GBK to UTF-16 with the NUL code unit at the end unless |omitTerminator|;
// the empty text gives the empty Bytes (no NUL).
Bytes GbkToUtf16(const Text& text, bool omitTerminator = false);

// UTF-16 to GBK: the code units before the first NUL (an odd last byte is
// ignored).
Text Utf16ToGbk(const Bytes& data);

// GBK to UTF-8 and back, for the platform interfaces that speak UTF-8
// (POSIX file names, GTK). The result of GbkToUtf8 never holds a zero byte.
std::string GbkToUtf8(const Text& text);
Text Utf8ViewToGbk(std::string_view utf8);

}  // namespace feed

#endif  // FEED_COLLECTOR_TEXT_CODE_PAGE_H_
