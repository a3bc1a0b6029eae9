#include "text/win32_strings.h"

#include <windows.h>

namespace feed {

std::wstring WideFromGbk(const Text& text) {
  std::string_view v = text.view();
  if (v.empty()) return std::wstring();
  int n = ::MultiByteToWideChar(936, 0, v.data(), static_cast<int>(v.size()),
                                nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(936, 0, v.data(), static_cast<int>(v.size()),
                        wide.data(), n);
  return wide;
}

Text GbkFromWide(std::wstring_view wide) {
  if (wide.empty()) return Text();
  int n = ::WideCharToMultiByte(936, 0, wide.data(),
                                static_cast<int>(wide.size()), nullptr, 0,
                                nullptr, nullptr);
  if (n <= 0) return Text();
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()),
                        out.data(), n, nullptr, nullptr);
  return Text(std::move(out));
}

}  // namespace feed
