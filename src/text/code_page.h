// Conversions between code page 936 (GBK, the program's own text), UTF-8
// (the feed service's replies) and UTF-16 (the Windows system interfaces).
//
// UTF-16 data is held in Bytes as little-endian 16-bit code units. None of
// the routines reports an error: input that is not valid in its code page
// is replaced (U+FFFD when decoding UTF-8, "?" when decoding or encoding
// code page 936), never rejected, and an unsupported code page gives the
// empty result. Every result is a fresh value owned by the caller; all
// routines are pure and may run on any thread.
//
// Windows builds use kernel32's MultiByteToWideChar and WideCharToMultiByte;
// other builds use our own UTF-8 codec and code page 936 tables
// (cp936_codec.h), which give the same results with these exceptions:
//  * kernel32 encodes about 400 characters outside code page 936 to
//    look-alikes (U+00B2 to "2", U+00C0 to the code of a-grave), also when
//    it composes one from a letter and a mark; ours gives "?" for them.
//  * Elsewhere the ANSI code page (0) is 936, and only 0, 936 and 65001 are
//    supported.
//  * Wine's kernel32 lets a UTF-8 sequence whose full length would run past
//    the terminator swallow everything up to and including the terminator;
//    ours ends the sequence there ("\xF0" "A" gives U+FFFD "A" and the
//    terminator).

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

// UTF-8 bytes to GBK: MultiByteToUtf16 with 65001, then Utf16ToMultiByte
// with 936. The whole input is decoded, never cut short; undecodable bytes
// and characters without a GBK code (emoji give one "?" per UTF-16 unit)
// become "?".
Text Utf8ToGbk(const Text& text);

// The whole text with its terminator as UTF-16; always ends with the NUL
// code unit, so the empty text gives 00 00. (Wine's kernel32 drops it
// after a cut-off UTF-8 sequence, see above.)
Bytes MultiByteToUtf16(const Text& text, int codePage = kCodePageUtf8);

// The code units before the first NUL (all when there is none; an odd last
// byte is ignored), encoded without a terminator; unrepresentable
// characters become the code page's default character, "?".
Text Utf16ToMultiByte(const Bytes& data, int codePage = kCodePageAnsi);

// GBK to UTF-16 with the NUL code unit at the end unless |omitTerminator|;
// the empty text gives the empty Bytes (no NUL). A lead byte takes any
// non-zero byte after it: a pair that is no character, or a lead byte at
// the end, gives "?".
Bytes GbkToUtf16(const Text& text, bool omitTerminator = false);

// UTF-16 to GBK: the code units before the first NUL (an odd last byte is
// ignored). A letter followed by a combining mark that together are a GBK
// character (e and U+0301) gives that character, as WC_COMPOSITECHECK does.
Text Utf16ToGbk(const Bytes& data);

// GBK to UTF-8 and back, for the platform interfaces that speak UTF-8
// (POSIX file names, GTK). The result of GbkToUtf8 never holds a zero byte;
// Utf8ViewToGbk ends its result at a zero byte of |utf8|.
std::string GbkToUtf8(const Text& text);
Text Utf8ViewToGbk(std::string_view utf8);

}  // namespace feed

#endif  // FEED_COLLECTOR_TEXT_CODE_PAGE_H_
