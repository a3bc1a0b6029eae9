// UTF-16 held in byte strings: little-endian 16-bit code units, two bytes
// each, an odd last byte not part of any unit.

#ifndef FEED_COLLECTOR_TEXT_UTF16_BYTES_H_
#define FEED_COLLECTOR_TEXT_UTF16_BYTES_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace feed {

inline uint16_t LoadUnit(const char* at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(at[0]) |
                               static_cast<unsigned char>(at[1]) << 8);
}

inline char* StoreUnit(uint16_t unit, char* out) {
  out[0] = static_cast<char>(unit & 0xFF);
  out[1] = static_cast<char>(unit >> 8);
  return out + 2;
}

// The number of code units before the first NUL unit, or all of them when
// there is none.
inline size_t UnitsBeforeNul(std::string_view utf16) {
  size_t units = utf16.size() / 2;
  for (size_t i = 0; i < units; ++i) {
    if (utf16[2 * i] == 0 && utf16[2 * i + 1] == 0) return i;
  }
  return units;
}

// The code units before the first NUL unit (all when there is none).
inline std::u16string UnitsBeforeNulOf(std::string_view utf16) {
  std::u16string units(UnitsBeforeNul(utf16), u'\0');
  for (size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(LoadUnit(utf16.data() + 2 * i));
  }
  return units;
}

}  // namespace feed

#endif  // FEED_COLLECTOR_TEXT_UTF16_BYTES_H_
