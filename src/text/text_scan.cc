#include "text/text_scan.h"

namespace feed::scan {
namespace {

constexpr size_t npos = std::string_view::npos;

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
    pos = hay.find(needle, pos);
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
