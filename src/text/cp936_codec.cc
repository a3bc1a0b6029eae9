#include "text/cp936_codec.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "text/cp936_tables.h"
#include "text/utf16_bytes.h"

namespace feed::codec {
namespace {

constexpr uint32_t kReplacement = 0xFFFD;

// Eight bytes at a time while they are all ASCII: most of a feed reply is.
constexpr uint64_t kHighBits = 0x8080808080808080u;
// Four UTF-16 units at a time while they are all below U+0080.
constexpr uint64_t kNonAsciiUnitBits = 0xFF80FF80FF80FF80u;

uint64_t Load64(const void* at) {
  uint64_t word;
  std::memcpy(&word, at, sizeof word);
  return word;
}

bool IsContinuation(const unsigned char* at, const unsigned char* end) {
  return at < end && (*at & 0xC0) == 0x80;
}

// Decodes the sequence that starts with the non-ASCII byte at |at|, moves
// |at| past the bytes it takes, and gives its code point or kReplacement.
// The checks and the bytes each failure takes follow the Windows decoder.
uint32_t DecodeSequence(const unsigned char*& at, const unsigned char* end) {
  const uint32_t lead = *at++;
  if (lead < 0xC2 || lead > 0xF4) return kReplacement;
  if (!IsContinuation(at, end)) return kReplacement;
  if (lead < 0xE0) return (lead & 0x1F) << 6 | (*at++ & 0x3F);

  if (lead < 0xF0) {
    const uint32_t high = (lead & 0x0F) << 6 | (*at++ & 0x3F);
    // Over-long forms and surrogates: the first two bytes are one U+FFFD.
    if (high < 0x20 || (high >= 0x360 && high < 0x380)) return kReplacement;
    if (!IsContinuation(at, end)) return kReplacement;
    return high << 6 | (*at++ & 0x3F);
  }

  uint32_t high = (lead & 0x07) << 6 | (*at++ & 0x3F);
  // Over-long forms and code points above U+10FFFF: the first two bytes are
  // one U+FFFD.
  if (high < 0x10 || high >= 0x110) return kReplacement;
  if (!IsContinuation(at, end)) return kReplacement;
  high = high << 6 | (*at++ & 0x3F);
  if (!IsContinuation(at, end)) return kReplacement;
  return high << 6 | (*at++ & 0x3F);
}

// Decodes the character that starts with the non-ASCII byte at |at| and
// moves |at| past it.
uint16_t DecodeGbk(const unsigned char*& at, const unsigned char* end) {
  const unsigned char lead = *at++;
  if (lead < cp936::kFirstLead || lead > cp936::kLastLead || at == end ||
      *at == 0) {
    return cp936::kSingleByte[lead];
  }
  const unsigned char trail = *at++;
  if (trail < cp936::kFirstTrail) return '?';
  return cp936::kDoubleByte[lead - cp936::kFirstLead][trail - cp936::kFirstTrail];
}

// The code of a unit of U+0080 or above: 0 for none, else one or two bytes.
uint16_t GbkCode(uint32_t unit) {
  return cp936::kEncodingPages[cp936::kEncodingPageIndex[unit >> 8]][unit & 0xFF];
}

// Writes a code of the tables: 0 (none) as "?", one below 0x100 as one
// byte, any other as two.
char* PutCode(uint16_t code, char* out) {
  if (code == 0) {
    *out++ = '?';
  } else if (code < 0x100) {
    *out++ = static_cast<char>(code);
  } else {
    *out++ = static_cast<char>(code >> 8);
    *out++ = static_cast<char>(code & 0xFF);
  }
  return out;
}

char* PutGbk(uint32_t unit, char* out) {
  if (unit < 0x80) {
    *out++ = static_cast<char>(unit);
    return out;
  }
  return PutCode(GbkCode(unit), out);
}

// A code point (a surrogate pair's two units for one above U+FFFF).
char* PutUtf16(uint32_t code_point, char* out) {
  if (code_point < 0x10000) return StoreUnit(static_cast<uint16_t>(code_point), out);
  code_point -= 0x10000;
  out = StoreUnit(static_cast<uint16_t>(0xD800 | code_point >> 10), out);
  return StoreUnit(static_cast<uint16_t>(0xDC00 | (code_point & 0x3FF)), out);
}

char* PutUtf8(uint32_t code_point, char* out) {
  if (code_point < 0x80) {
    *out++ = static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    *out++ = static_cast<char>(0xC0 | code_point >> 6);
    *out++ = static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    *out++ = static_cast<char>(0xE0 | code_point >> 12);
    *out++ = static_cast<char>(0x80 | (code_point >> 6 & 0x3F));
    *out++ = static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | code_point >> 18);
    *out++ = static_cast<char>(0x80 | (code_point >> 12 & 0x3F));
    *out++ = static_cast<char>(0x80 | (code_point >> 6 & 0x3F));
    *out++ = static_cast<char>(0x80 | (code_point & 0x3F));
  }
  return out;
}

bool IsHighSurrogate(uint32_t unit) { return unit >= 0xD800 && unit < 0xDC00; }
bool IsLowSurrogate(uint32_t unit) { return unit >= 0xDC00 && unit < 0xE000; }

// The code of |base| followed by |mark| as one character; 0 when they do
// not make one, or it has no code.
uint16_t ComposedCode(uint16_t base, uint16_t mark) {
  // Every combining mark lies at U+0300 or above.
  if (mark < 0x300) return 0;
  const cp936::Composition* first = cp936::kCompositions;
  const cp936::Composition* last = first + cp936::kCompositionCount;
  const cp936::Composition* found = std::lower_bound(
      first, last, base, [](const cp936::Composition& c, uint16_t b) { return c.base < b; });
  for (; found != last && found->base == base; ++found) {
    if (found->mark == mark) return GbkCode(found->composed);
  }
  return 0;
}

const unsigned char* Begin(std::string_view bytes) {
  return reinterpret_cast<const unsigned char*>(bytes.data());
}

}  // namespace

size_t Utf8ToUtf16(std::string_view utf8, char* out) {
  char* const start = out;
  const unsigned char* at = Begin(utf8);
  const unsigned char* const end = at + utf8.size();
  while (at < end) {
    if (end - at >= 8 && (Load64(at) & kHighBits) == 0) {
      for (int i = 0; i < 8; ++i) out = StoreUnit(at[i], out);
      at += 8;
    } else if (*at < 0x80) {
      out = StoreUnit(*at++, out);
    } else {
      out = PutUtf16(DecodeSequence(at, end), out);
    }
  }
  return static_cast<size_t>(out - start);
}

size_t GbkToUtf16(std::string_view gbk, char* out) {
  char* const start = out;
  const unsigned char* at = Begin(gbk);
  const unsigned char* const end = at + gbk.size();
  while (at < end) {
    if (end - at >= 8 && (Load64(at) & kHighBits) == 0) {
      for (int i = 0; i < 8; ++i) out = StoreUnit(at[i], out);
      at += 8;
    } else if (*at < 0x80) {
      out = StoreUnit(*at++, out);
    } else {
      out = StoreUnit(DecodeGbk(at, end), out);
    }
  }
  return static_cast<size_t>(out - start);
}

size_t Utf16ToGbk(std::string_view utf16, bool composeMarks, char* out) {
  char* const start = out;
  const char* const units = utf16.data();
  const size_t count = utf16.size() / 2;
  size_t i = 0;
  while (i < count) {
    // A block of four ASCII units is copied straight, unless a mark right
    // after it might compose with its last letter.
    if (count - i >= 4 && (Load64(units + 2 * i) & kNonAsciiUnitBits) == 0 &&
        (!composeMarks || count - i == 4 || LoadUnit(units + 2 * (i + 4)) < 0x80)) {
      for (int k = 0; k < 4; ++k) *out++ = units[2 * (i + k)];
      i += 4;
      continue;
    }
    const uint16_t unit = LoadUnit(units + 2 * i);
    if (composeMarks && i + 1 < count) {
      const uint16_t code = ComposedCode(unit, LoadUnit(units + 2 * (i + 1)));
      if (code != 0) {
        out = PutCode(code, out);
        i += 2;
        continue;
      }
    }
    out = PutGbk(unit, out);
    ++i;
  }
  return static_cast<size_t>(out - start);
}

size_t Utf16ToUtf8(std::string_view utf16, char* out) {
  char* const start = out;
  const char* const units = utf16.data();
  const size_t count = utf16.size() / 2;
  for (size_t i = 0; i < count; ++i) {
    uint32_t unit = LoadUnit(units + 2 * i);
    if (IsHighSurrogate(unit) && i + 1 < count &&
        IsLowSurrogate(LoadUnit(units + 2 * (i + 1)))) {
      const uint32_t low = LoadUnit(units + 2 * ++i);
      unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      unit = kReplacement;
    }
    out = PutUtf8(unit, out);
  }
  return static_cast<size_t>(out - start);
}

size_t Utf8ToGbk(std::string_view utf8, char* out) {
  char* const start = out;
  const unsigned char* at = Begin(utf8);
  const unsigned char* const end = at + utf8.size();
  while (at < end) {
    if (end - at >= 8 && (Load64(at) & kHighBits) == 0) {
      std::memcpy(out, at, 8);
      out += 8;
      at += 8;
    } else if (*at < 0x80) {
      *out++ = static_cast<char>(*at++);
    } else {
      const uint32_t code_point = DecodeSequence(at, end);
      if (code_point < 0x10000) {
        out = PutGbk(code_point, out);
      } else {
        // Both units of the surrogate pair are unrepresentable.
        *out++ = '?';
        *out++ = '?';
      }
    }
  }
  return static_cast<size_t>(out - start);
}

size_t GbkToUtf8(std::string_view gbk, char* out) {
  char* const start = out;
  const unsigned char* at = Begin(gbk);
  const unsigned char* const end = at + gbk.size();
  while (at < end) {
    if (end - at >= 8 && (Load64(at) & kHighBits) == 0) {
      std::memcpy(out, at, 8);
      out += 8;
      at += 8;
    } else if (*at < 0x80) {
      *out++ = static_cast<char>(*at++);
    } else {
      out = PutUtf8(DecodeGbk(at, end), out);
    }
  }
  return static_cast<size_t>(out - start);
}

}  // namespace feed::codec
