#include "text/text_scan.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define FEED_SCAN_SSE2 1
#endif

namespace feed::scan {
namespace {

constexpr size_t npos = std::string_view::npos;

// Offset of the first byte-exact occurrence of |needle| (at least one byte)
// at or after |from|. With SSE2, 16 candidate offsets at a time are
// filtered on the needle's first and last byte before any comparison,
// which keeps short, frequent needles such as "\"," fast.
size_t FindBytes(std::string_view hay, std::string_view needle, size_t from) {
  const size_t n = hay.size();
  const size_t m = needle.size();
  if (m > n || from > n - m) return npos;
  if (m == 1) {
    const void* hit = std::memchr(hay.data() + from, needle[0], n - from);
    return hit ? static_cast<size_t>(static_cast<const char*>(hit) - hay.data())
               : npos;
  }
  const char* s = hay.data();
  size_t i = from;
#ifdef FEED_SCAN_SSE2
  const __m128i first = _mm_set1_epi8(needle[0]);
  const __m128i last = _mm_set1_epi8(needle[m - 1]);
  for (; i + (m - 1) + 16 <= n; i += 16) {
    __m128i at_first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    __m128i at_last =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + m - 1));
    auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(
        _mm_cmpeq_epi8(first, at_first), _mm_cmpeq_epi8(last, at_last))));
    while (mask != 0) {
      size_t candidate = i + static_cast<size_t>(std::countr_zero(mask));
      // First and last byte match; most false candidates differ right
      // after the first byte, so a plain loop beats a call to memcmp.
      size_t k = 1;
      while (k + 1 < m && s[candidate + k] == needle[k]) ++k;
      if (k + 1 >= m) return candidate;
      mask &= mask - 1;
    }
  }
#endif
  size_t found = hay.find(needle, i);
  return found;
}

bool EqualFolded(std::string_view a, std::string_view b) {
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(static_cast<unsigned char>(a[i])) !=
        FoldAscii(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// Steps character by character, as the definition of the search says.
size_t FindFoldedStepping(std::string_view hay, std::string_view needle,
                          size_t from) {
  size_t pos = from;
  while (pos + needle.size() <= hay.size()) {
    if (EqualFolded(hay.substr(pos, needle.size()), needle)) return pos;
    if (IsLeadByte(static_cast<unsigned char>(hay[pos]))) {
      if (pos + 1 >= hay.size()) break;  // lone lead byte ends the text
      pos += 2;
    } else {
      pos += 1;
    }
  }
  return npos;
}

}  // namespace

size_t FindAtCharacterStart(std::string_view hay, std::string_view needle,
                            size_t from, bool fold) {
  if (fold) return FindFoldedStepping(hay, needle, from);

  // Find byte matches with the library search and keep the first that lies
  // on a character start. A byte below 0x80 always ends a character (it is a
  // single-byte character or a trail byte), so the byte after it always
  // starts one; from there, a run of k bytes of 0x80 or above before the
  // match is k/2 double-byte characters, and the match is on a character
  // start exactly when k is even. |anchor| is the latest known character
  // start, which keeps the backward walks linear overall.
  size_t anchor = from;
  size_t pos = from;
  while (true) {
    pos = FindBytes(hay, needle, pos);
    if (pos == npos) return npos;
    size_t run = 0;
    for (size_t q = pos; q > anchor &&
                         IsLeadByte(static_cast<unsigned char>(hay[q - 1]));
         --q) {
      ++run;
    }
    if (run % 2 == 0) return pos;
    // |pos| is the second byte of a character, so the next byte starts one.
    anchor = pos + 1;
    pos = pos + 1;
  }
}

}  // namespace feed::scan
