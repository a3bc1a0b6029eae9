#include <errno.h>
#include <iconv.h>

#include <string>
#include <string_view>

#include "text/code_page.h"
#include "web/charset_decoder.h"

namespace feed {
namespace {

// iconv's name for each code page of the charset table.
const char* IconvName(int codePage) {
  switch (codePage) {
    case 54936: return "GB18030";
    case 950: return "CP950";
    case 932: return "CP932";
    case 20932: return "EUC-JP";
    case 949: return "CP949";
    case 28591: return "ISO-8859-1";
    case 28592: return "ISO-8859-2";
    case 28595: return "ISO-8859-5";
    case 28597: return "ISO-8859-7";
    case 28605: return "ISO-8859-15";
    case 20866: return "KOI8-R";
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 1252: return "CP1252";
    case 1253: return "CP1253";
    case 1254: return "CP1254";
    case 1255: return "CP1255";
    case 1256: return "CP1256";
    case 1257: return "CP1257";
    case 1258: return "CP1258";
    case 20127: return "ASCII";
    default: return nullptr;
  }
}

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";  // U+FFFD

// |data| in |from| as UTF-8; each byte iconv cannot take becomes U+FFFD.
// Empty when iconv does not know |from|.
std::string ToUtf8(std::string_view data, const char* from) {
  iconv_t converter = ::iconv_open("UTF-8", from);
  if (converter == reinterpret_cast<iconv_t>(-1)) return std::string();
  std::string out;
  char buffer[4096];
  char* in = const_cast<char*>(data.data());
  size_t inLeft = data.size();
  while (inLeft > 0) {
    char* next = buffer;
    size_t outLeft = sizeof buffer;
    size_t result = ::iconv(converter, &in, &inLeft, &next, &outLeft);
    out.append(buffer, static_cast<size_t>(next - buffer));
    if (result != static_cast<size_t>(-1) || errno == E2BIG) continue;
    // EILSEQ, or EINVAL for a sequence cut short at the end.
    out += kReplacementUtf8;
    ++in;
    --inLeft;
  }
  // Some decoders hold a character back to see whether an accent follows.
  char* next = buffer;
  size_t outLeft = sizeof buffer;
  ::iconv(converter, nullptr, nullptr, &next, &outLeft);
  out.append(buffer, static_cast<size_t>(next - buffer));
  ::iconv_close(converter);
  return out;
}

}  // namespace

Text DecodeCharset(const Bytes& data, int codePage) {
  if (data.empty()) return Text();
  // The text ends at the first NUL, which is a zero byte in every charset
  // of the table, and no multi-byte character holds a zero byte.
  std::string_view bytes = data.view().substr(0, data.view().find('\0'));
  if (codePage == kCodePageGbk) return Utf8ViewToGbk(GbkToUtf8(Text(bytes)));
  if (codePage == kCodePageUtf8) return Utf8ToGbk(Text(bytes));
  const char* name = IconvName(codePage);
  if (!name) return Text();
  return Utf8ViewToGbk(ToUtf8(bytes, name));
}

}  // namespace feed
