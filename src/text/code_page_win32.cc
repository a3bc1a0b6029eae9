// Code pages on the Windows service: kernel32's MultiByteToWideChar and
// WideCharToMultiByte. Every conversion asks the system twice with the same
// code page, flags and input: first for the size the result needs, then to
// convert into a zero-filled buffer of exactly that size. A size of 0 (an
// unsupported code page) gives the empty result.

#include <windows.h>

#include <algorithm>
#include <climits>
#include <string>

#include "text/code_page.h"
#include "text/utf16_bytes.h"

namespace feed {
namespace {

// UTF-16 held in bytes is read and written in place: Windows is
// little-endian, and a string's buffer is aligned for any unit.
const wchar_t* Wide(std::string_view utf16) {
  return reinterpret_cast<const wchar_t*>(utf16.data());
}
wchar_t* Wide(std::string& utf16) { return reinterpret_cast<wchar_t*>(utf16.data()); }

// The system counts in int; no input of this program comes near the limit.
int Count(size_t size) { return static_cast<int>(std::min<size_t>(size, INT_MAX)); }

// |text| and its terminator (length -1) as UTF-16: the whole buffer.
std::string Decode(int codePage, const Text& text) {
  int units = ::MultiByteToWideChar(codePage, 0, text.c_str(), -1, nullptr, 0);
  if (units <= 0) return std::string();
  std::string out(2 * static_cast<size_t>(units), '\0');
  ::MultiByteToWideChar(codePage, 0, text.c_str(), -1, Wide(out), units);
  return out;
}

// Exactly |units| code units of |wide|, without a terminator.
std::string Encode(int codePage, DWORD flags, const wchar_t* wide, size_t units) {
  if (units == 0) return std::string();
  int size = ::WideCharToMultiByte(codePage, flags, wide, Count(units), nullptr,
                                   0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string out(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(codePage, flags, wide, Count(units), out.data(), size,
                        nullptr, nullptr);
  return out;
}

// The UTF-16 step of a conversion between two multi-byte forms. Kept per
// thread, so that once it has grown a conversion allocates only its result.
std::wstring& WideScratch() {
  thread_local std::wstring scratch;
  return scratch;
}

// |bytes| (|length| -1: up to and including the terminator) into the
// scratch buffer; the units before the first NUL unit.
std::wstring_view DecodeToScratch(int codePage, const char* bytes, int length) {
  int units = ::MultiByteToWideChar(codePage, 0, bytes, length, nullptr, 0);
  if (units <= 0) return std::wstring_view();
  std::wstring& wide = WideScratch();
  wide.assign(static_cast<size_t>(units), L'\0');
  ::MultiByteToWideChar(codePage, 0, bytes, length, wide.data(), units);
  std::wstring_view all(wide.data(), wide.size());
  return all.substr(0, all.find(L'\0'));
}

bool IsAscii(std::string_view bytes) {
  unsigned char seen = 0;
  for (char c : bytes) seen |= static_cast<unsigned char>(c);
  return seen < 0x80;
}

}  // namespace

Text Utf8ToGbk(const Text& text) {
  // ASCII is the same in both; most replies are not, so this is a shortcut
  // only for the plain ones.
  if (IsAscii(text.view())) return text;
  std::wstring_view wide = DecodeToScratch(kCodePageUtf8, text.c_str(), -1);
  return Text(Encode(kCodePageGbk, 0, wide.data(), wide.size()));
}

Bytes MultiByteToUtf16(const Text& text, int codePage) {
  return Bytes(Decode(codePage, text));
}

Text Utf16ToMultiByte(const Bytes& data, int codePage) {
  return Text(Encode(codePage, 0, Wide(data.view()), UnitsBeforeNul(data.view())));
}

Bytes GbkToUtf16(const Text& text, bool omitTerminator) {
  if (text.empty()) return Bytes();
  std::string utf16 = Decode(kCodePageGbk, text);
  if (omitTerminator && utf16.size() >= 2) utf16.resize(utf16.size() - 2);
  return Bytes(std::move(utf16));
}

Text Utf16ToGbk(const Bytes& data) {
  return Text(Encode(kCodePageGbk, WC_COMPOSITECHECK, Wide(data.view()),
                     UnitsBeforeNul(data.view())));
}

std::string GbkToUtf8(const Text& text) {
  std::wstring_view wide = DecodeToScratch(kCodePageGbk, text.c_str(), -1);
  return Encode(kCodePageUtf8, 0, wide.data(), wide.size());
}

Text Utf8ViewToGbk(std::string_view utf8) {
  if (utf8.empty()) return Text();
  std::wstring_view wide =
      DecodeToScratch(kCodePageUtf8, utf8.data(), Count(utf8.size()));
  return Text(Encode(kCodePageGbk, 0, wide.data(), wide.size()));
}

}  // namespace feed
