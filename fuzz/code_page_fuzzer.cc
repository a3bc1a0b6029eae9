// Fuzzes the code page conversions. The first byte picks the routine; the
// rest is its input. Each branch checks properties that must hold for every
// input: results hold no zero byte and stay within their size bounds, the
// one-pass conversions equal their two steps, valid GBK survives a trip
// through UTF-16 and UTF-8, and file names map only real backslashes. The
// raw converters write into buffers of exactly their stated bound, so that
// AddressSanitizer sees any write past it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "text/code_page.h"
#include "text/cp936_codec.h"
#include "text/posix_path.h"
#include "text/utf16_bytes.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool HasZeroByte(std::string_view bytes) {
  return bytes.find('\0') != std::string_view::npos;
}

// True when every byte of |gbk| belongs to a character of code page 936.
bool IsValidGbk(std::string_view gbk) {
  for (size_t i = 0; i < gbk.size(); ++i) {
    auto b = static_cast<unsigned char>(gbk[i]);
    if (b == 0) return false;
    if (b < 0x80 || b == 0x80 || b == 0xFF) continue;
    if (i + 1 == gbk.size()) return false;
    auto trail = static_cast<unsigned char>(gbk[++i]);
    if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return false;
  }
  return true;
}

// |gbk| with every backslash that is a character of its own (not the second
// byte of a double-byte character) made a slash.
std::string WithSlashes(std::string_view gbk) {
  std::string out(gbk);
  for (size_t i = 0; i < out.size(); ++i) {
    if (static_cast<unsigned char>(out[i]) >= 0x81 &&
        static_cast<unsigned char>(out[i]) <= 0xFE) {
      ++i;
    } else if (out[i] == '\\') {
      out[i] = '/';
    }
  }
  return out;
}

// Runs a raw converter into a buffer of exactly |bound| bytes.
template <typename Convert>
std::string Raw(size_t bound, Convert convert) {
  std::unique_ptr<char[]> buffer(new char[bound]);
  size_t written = convert(buffer.get());
  Check(written <= bound);
  return std::string(buffer.get(), written);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t selector = data[0];
  const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const feed::Text text(rest);
  const size_t n = text.view().size();

  switch (selector % 6) {
    case 0: {
      // The reply conversion: the whole input, never longer, and the same as
      // its two steps.
      feed::Text gbk = feed::Utf8ToGbk(text);
      Check(gbk.view().size() <= n);
      Check(n == 0 || !gbk.empty());
      feed::Bytes utf16 = feed::MultiByteToUtf16(text, feed::kCodePageUtf8);
      Check(gbk == feed::Utf16ToMultiByte(utf16, feed::kCodePageGbk));
      break;
    }
    case 1: {
      // Every character one unit, then the NUL unit and nothing after it.
      feed::Bytes utf16 = feed::GbkToUtf16(text);
      feed::Bytes bare = feed::GbkToUtf16(text, /*omitTerminator=*/true);
      if (n == 0) {
        Check(utf16.empty() && bare.empty());
        break;
      }
      Check(utf16.size() >= 4 && utf16.size() <= 2 * n + 2);
      Check(feed::UnitsBeforeNul(utf16.view()) == utf16.size() / 2 - 1);
      Check(bare.size() == utf16.size() - 2 &&
            bare.view() == utf16.view().substr(0, bare.size()));
      if (IsValidGbk(text.view())) Check(feed::Utf16ToGbk(utf16) == text);
      break;
    }
    case 2: {
      const feed::Bytes utf16(rest);
      size_t units = feed::UnitsBeforeNul(utf16.view());
      feed::Text gbk = feed::Utf16ToGbk(utf16);
      Check(gbk.view().size() <= 2 * units);
      Check(gbk.empty() == (units == 0));
      feed::Text plain = feed::Utf16ToMultiByte(utf16, feed::kCodePageGbk);
      Check(plain.view().size() >= gbk.view().size());  // composing only shortens
      Check(feed::Utf16ToMultiByte(utf16, feed::kCodePageUtf8).view().size() <= 3 * units);
      break;
    }
    case 3: {
      // One decoding makes valid UTF-8, which then converts unchanged.
      feed::Bytes utf16 = feed::MultiByteToUtf16(text);
      Check(utf16.size() >= 2 && utf16.size() <= 2 * n + 2);
      Check(feed::UnitsBeforeNul(utf16.view()) == utf16.size() / 2 - 1);
      feed::Text utf8 = feed::Utf16ToMultiByte(utf16, feed::kCodePageUtf8);
      Check(feed::Utf16ToMultiByte(feed::MultiByteToUtf16(utf8), feed::kCodePageUtf8) ==
            utf8);
      break;
    }
    case 4: {
      std::string utf8 = feed::GbkToUtf8(text);
      Check(!HasZeroByte(utf8) && utf8.size() <= 3 * n);
      std::string path = feed::PosixPath(text);
      Check(path.find('\\') == std::string::npos);
      if (IsValidGbk(text.view())) {
        Check(feed::Utf8ViewToGbk(utf8) == text);
        Check(feed::TextFromPosixPath(path).view() == WithSlashes(text.view()));
      }
      break;
    }
    case 5: {
      // The raw converters on any bytes, zero bytes included.
      using namespace feed::codec;
      Raw(2 * rest.size(), [&](char* out) { return Utf8ToUtf16(rest, out); });
      Raw(2 * rest.size(), [&](char* out) { return GbkToUtf16(rest, out); });
      Raw(rest.size(), [&](char* out) { return Utf16ToGbk(rest, true, out); });
      Raw(rest.size() / 2 * 3, [&](char* out) { return Utf16ToUtf8(rest, out); });
      Raw(rest.size(), [&](char* out) { return Utf8ToGbk(rest, out); });
      Raw(3 * rest.size(), [&](char* out) { return GbkToUtf8(rest, out); });
      break;
    }
  }
  return 0;
}
