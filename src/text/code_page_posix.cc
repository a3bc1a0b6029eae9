// Code pages without the Windows service: our own UTF-8 codec and code page
// 936 tables (cp936_codec.h). The ANSI code page is 936 here; any code page
// other than 0, 936 and 65001 gives the empty result.
//
// Each result is allocated once, at the largest size the input can need,
// and shortened to what the conversion wrote.

#include <string>

#include "text/code_page.h"
#include "text/cp936_codec.h"
#include "text/utf16_bytes.h"

namespace feed {
namespace {

bool IsGbk(int codePage) {
  return codePage == kCodePageGbk || codePage == kCodePageAnsi;
}

// The code units of |data| before its first NUL unit.
std::string_view UnitsOf(const Bytes& data) {
  return data.view().substr(0, 2 * UnitsBeforeNul(data.view()));
}

}  // namespace

Text Utf8ToGbk(const Text& text) { return Utf8ViewToGbk(text.view()); }

Bytes MultiByteToUtf16(const Text& text, int codePage) {
  if (!IsGbk(codePage) && codePage != kCodePageUtf8) return Bytes();
  // Room for one unit per byte and the NUL unit that ends the result.
  std::string out(2 * text.view().size() + 2, '\0');
  size_t written = codePage == kCodePageUtf8
                       ? codec::Utf8ToUtf16(text.view(), out.data())
                       : codec::GbkToUtf16(text.view(), out.data());
  out.resize(written + 2);
  return Bytes(std::move(out));
}

Text Utf16ToMultiByte(const Bytes& data, int codePage) {
  std::string_view units = UnitsOf(data);
  if (IsGbk(codePage)) {
    std::string out(units.size(), '\0');
    out.resize(codec::Utf16ToGbk(units, /*composeMarks=*/false, out.data()));
    return Text(std::move(out));
  }
  if (codePage == kCodePageUtf8) {
    std::string out(units.size() / 2 * 3, '\0');
    out.resize(codec::Utf16ToUtf8(units, out.data()));
    return Text(std::move(out));
  }
  return Text();
}

Bytes GbkToUtf16(const Text& text, bool omitTerminator) {
  if (text.empty()) return Bytes();
  std::string out(2 * text.view().size() + 2, '\0');
  size_t written = codec::GbkToUtf16(text.view(), out.data());
  out.resize(omitTerminator ? written : written + 2);
  return Bytes(std::move(out));
}

Text Utf16ToGbk(const Bytes& data) {
  std::string_view units = UnitsOf(data);
  std::string out(units.size(), '\0');
  out.resize(codec::Utf16ToGbk(units, /*composeMarks=*/true, out.data()));
  return Text(std::move(out));
}

std::string GbkToUtf8(const Text& text) {
  std::string out(3 * text.view().size(), '\0');
  out.resize(codec::GbkToUtf8(text.view(), out.data()));
  return out;
}

Text Utf8ViewToGbk(std::string_view utf8) {
  std::string out(utf8.size(), '\0');
  out.resize(codec::Utf8ToGbk(utf8, out.data()));
  return Text(std::move(out));
}

}  // namespace feed
