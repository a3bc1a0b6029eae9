// Byte-level scanning of code page 936 text, shared by the text operations.
// Internal to src/text.

#ifndef FEED_COLLECTOR_TEXT_TEXT_SCAN_H_
#define FEED_COLLECTOR_TEXT_TEXT_SCAN_H_

#include <cstddef>
#include <string_view>

namespace feed::scan {

// A byte of 0x80 or above starts a double-byte character.
inline bool IsLeadByte(unsigned char c) { return c >= 0x80; }

inline unsigned char FoldAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

// Offset of the first occurrence of the non-empty |needle| in |hay| at or
// after |from| that begins on a character start, the characters being
// counted from |from|; npos when there is none. With |fold| the ASCII letters
// of both sides are compared without regard to case, byte by byte.
size_t FindAtCharacterStart(std::string_view hay, std::string_view needle,
                            size_t from, bool fold);

}  // namespace feed::scan

#endif  // FEED_COLLECTOR_TEXT_TEXT_SCAN_H_
