#include <windows.h>

#include <string>

#include "text/code_page.h"
#include "web/charset_decoder.h"

namespace feed {

Text DecodeCharset(const Bytes& data, int codePage) {
  if (data.empty() || codePage <= 0) return Text();
  const auto page = static_cast<UINT>(codePage);
  const int size = static_cast<int>(data.size());
  int units = ::MultiByteToWideChar(page, 0, data.data(), size, nullptr, 0);
  if (units <= 0) return Text();
  std::string utf16(static_cast<size_t>(units) * 2, '\0');
  ::MultiByteToWideChar(page, 0, data.data(), size,
                        reinterpret_cast<wchar_t*>(utf16.data()), units);
  return Utf16ToGbk(Bytes(std::move(utf16)));
}

}  // namespace feed
