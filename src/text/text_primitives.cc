#include "text/text_primitives.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "text/fatal_error.h"
#include "text/text_scan.h"

namespace feed {

Text::Text(const char* zero_terminated) {
  if (zero_terminated) bytes_ = zero_terminated;
}

Text::Text(std::string_view bytes)
    : bytes_(bytes.substr(0, std::min(bytes.find('\0'), bytes.size()))) {}

Text::Text(std::string&& bytes) : bytes_(std::move(bytes)) {
  size_t nul = bytes_.find('\0');
  if (nul != std::string::npos) bytes_.resize(nul);
}

Text Text::PartOf(const Text& source, size_t offset, size_t count) {
  Text part;
  part.bytes_.assign(source.bytes_, std::min(offset, source.bytes_.size()),
                     count);
  return part;
}

const Text& TextArray::operator[](int index) const {
  if (index < 1 || index > Count()) {
    FatalError("text array index " + std::to_string(index) +
               " outside 1.." + std::to_string(Count()));
  }
  return items_[static_cast<size_t>(index - 1)];
}

namespace {

using scan::IsLeadByte;

constexpr std::string_view kFullWidthBlank = "\xA1\xA1";

// Byte offset of a 1-based start position; 0 for positions below 1.
size_t StartOffset(int start) {
  return start > 1 ? static_cast<size_t>(start) - 1 : 0;
}

// Length in bytes of the blank at |pos|, 0 when there is none.
size_t BlankAt(std::string_view text, size_t pos) {
  if (text[pos] == ' ') return 1;
  if (text.substr(pos, 2) == kFullWidthBlank) return 2;
  return 0;
}

}  // namespace

int TextLength(const Text& text) { return static_cast<int>(text.view().size()); }

Text TextLeft(const Text& text, int count) {
  if (count <= 0) return Text();
  return Text::PartOf(text, 0, static_cast<size_t>(count));
}

Text TextRight(const Text& text, int count) {
  if (count <= 0) return Text();
  std::string_view v = text.view();
  size_t take = std::min(v.size(), static_cast<size_t>(count));
  return Text::PartOf(text, v.size() - take, take);
}

Text TextMid(const Text& text, int start, int count) {
  if (start < 1 || start > TextLength(text) || count <= 0) return Text();
  return Text::PartOf(text, static_cast<size_t>(start) - 1,
                      static_cast<size_t>(count));
}

int FindText(const Text& text, const Text& sought, int start,
             bool ignoreCase) {
  std::string_view v = text.view();
  size_t from = StartOffset(start);
  if (from >= v.size()) return -1;
  if (sought.empty()) return 1;
  size_t found = scan::FindAtCharacterStart(v, sought.view(), from, ignoreCase);
  return found == std::string_view::npos ? -1 : static_cast<int>(found) + 1;
}

int CompareText(const Text& first, const Text& second, bool caseSensitive) {
  // One character as a number: a double-byte character is one unit and is
  // never folded; a single byte is folded when letter case is ignored.
  auto unit_at = [caseSensitive](std::string_view s, size_t pos) {
    auto c = static_cast<unsigned char>(s[pos]);
    if (IsLeadByte(c)) {
      int trail = pos + 1 < s.size() ? static_cast<unsigned char>(s[pos + 1]) : 0;
      return (c << 8) | trail;
    }
    return static_cast<int>(caseSensitive ? c : scan::FoldAscii(c));
  };
  std::string_view a = first.view();
  std::string_view b = second.view();
  size_t pos = 0;
  while (pos < a.size() && pos < b.size()) {
    int unit_a = unit_at(a, pos);
    int unit_b = unit_at(b, pos);
    if (unit_a != unit_b) return unit_a < unit_b ? -1 : 1;
    pos += unit_a > 0xFF ? 2 : 1;
  }
  bool a_done = pos >= a.size();
  bool b_done = pos >= b.size();
  if (a_done && b_done) return 0;
  return a_done ? -1 : 1;
}

bool TextEquals(const Text& first, const Text& second) {
  return first.view() == second.view();
}

Text TrimBlanks(const Text& text) {
  std::string_view v = text.view();
  size_t begin = 0;
  while (begin < v.size()) {
    size_t blank = BlankAt(v, begin);
    if (blank == 0) break;
    begin += blank;
  }
  // Walk the characters that remain, remembering where the last character
  // that is not a blank ends. A lone lead byte at the end is not a character.
  size_t end = begin;
  size_t pos = begin;
  while (pos < v.size()) {
    auto c = static_cast<unsigned char>(v[pos]);
    size_t width = IsLeadByte(c) ? 2 : 1;
    if (pos + width > v.size()) break;
    if (BlankAt(v, pos) == 0) end = pos + width;
    pos += width;
  }
  return Text::PartOf(text, begin, end - begin);
}

Text RemoveBlanks(const Text& text) {
  std::string_view v = text.view();
  std::string out;
  out.reserve(v.size());
  size_t pos = 0;
  while (pos < v.size()) {
    auto c = static_cast<unsigned char>(v[pos]);
    size_t width = IsLeadByte(c) ? 2 : 1;
    if (pos + width > v.size()) break;  // lone lead byte at the end
    if (BlankAt(v, pos) == 0) out.append(v.substr(pos, width));
    pos += width;
  }
  return Text(std::move(out));
}

Text ReplaceText(const Text& text, const Text& sought, const Text& replacement,
                 int start, std::optional<int> count, bool caseSensitive) {
  std::string_view v = text.view();
  std::string_view needle = sought.view();
  size_t from = StartOffset(start);
  if (v.empty() || needle.empty() || from >= v.size() || count == 0) {
    return text;
  }
  // Only a positive count limits; a negative one, like none, replaces all.
  int remaining = count.value_or(-1);
  std::string out(v.substr(0, from));
  size_t pos = from;
  while (true) {
    size_t hit = scan::FindAtCharacterStart(v, needle, pos, !caseSensitive);
    if (hit == std::string_view::npos) break;
    out.append(v.substr(pos, hit - pos));
    out.append(replacement.view());
    pos = hit + needle.size();
    if (remaining > 0 && --remaining == 0) break;
  }
  out.append(v.substr(pos));
  return Text(std::move(out));
}

TextArray SplitText(const Text& text, const Text& separator,
                    std::optional<int> count) {
  TextArray pieces;
  int remaining = count.has_value() ? std::max(*count, 0) : -1;
  std::string_view v = text.view();
  if (v.empty() || remaining == 0) return pieces;
  std::string_view sep = separator.view();
  if (sep.empty()) {
    pieces.Append(text);
    return pieces;
  }
  size_t piece_start = 0;
  while (true) {
    size_t hit = scan::FindAtCharacterStart(v, sep, piece_start, false);
    if (hit == std::string_view::npos) break;
    pieces.Append(Text::PartOf(text, piece_start, hit - piece_start));
    piece_start = hit + sep.size();
    if (remaining > 0 && --remaining == 0) return pieces;
  }
  if (piece_start < v.size()) {
    pieces.Append(Text::PartOf(text, piece_start, v.size() - piece_start));
  }
  return pieces;
}

Text BlankText(int count) {
  if (count < 1) return Text();
  return Text(std::string(static_cast<size_t>(count), ' '));
}

int32_t TextToInt(const Text& text) {
  // Fold full-width forms into their ASCII shapes first.
  std::string_view v = text.view();
  std::string folded;
  folded.reserve(v.size());
  for (size_t pos = 0; pos < v.size();) {
    auto lead = static_cast<unsigned char>(v[pos]);
    if (IsLeadByte(lead) && pos + 1 < v.size()) {
      auto trail = static_cast<unsigned char>(v[pos + 1]);
      if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
        folded.push_back(static_cast<char>(trail - 0x80));
      } else if (lead == 0xA1 && trail == 0xA1) {
        folded.push_back(' ');
      } else if (lead == 0xA1 && trail == 0xAB) {
        folded.push_back('~');
      } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
        folded.push_back('*');
      } else {
        folded.append(v.substr(pos, 2));
      }
      pos += 2;
    } else {
      folded.push_back(static_cast<char>(lead));
      ++pos;
    }
  }

  size_t pos = 0;
  while (pos < folded.size() && std::strchr(" \t\n\v\f\r", folded[pos]) &&
         folded[pos] != '\0') {
    ++pos;
  }
  bool negative = false;
  if (pos < folded.size() && (folded[pos] == '+' || folded[pos] == '-')) {
    negative = folded[pos] == '-';
    ++pos;
  }
  uint32_t value = 0;  // unsigned, so that overflow wraps
  for (; pos < folded.size() && folded[pos] >= '0' && folded[pos] <= '9';
       ++pos) {
    value = value * 10u + static_cast<uint32_t>(folded[pos] - '0');
  }
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

Text NumberToText(double number) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.13g", number);
  std::string out = buffer;
  // C libraries differ in exponent width; always print at least three digits.
  size_t e = out.find('e');
  if (e != std::string::npos && e + 2 <= out.size()) {
    size_t digits_at = e + 2;  // after the sign
    size_t digits = out.size() - digits_at;
    if (digits < 3) out.insert(digits_at, 3 - digits, '0');
  }
  return Text(std::move(out));
}

Text NumberToText(int number) { return Text(std::to_string(number)); }

int64_t TruncateToInteger(double real) {
  constexpr double kTwoTo63 = 9223372036854775808.0;
  if (std::isnan(real) || real >= kTwoTo63 || real < -kTwoTo63) {
    return std::numeric_limits<int64_t>::min();
  }
  return static_cast<int64_t>(real);
}

int ArrayCount(const TextArray& items) { return items.Count(); }

}  // namespace feed
