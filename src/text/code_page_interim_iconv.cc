// Stand-in for the GBK <-> UTF-8 conversions until the code page tables are
// in: glibc's iconv. Deleted when the real implementation is merged.

#include <iconv.h>

#include <cerrno>

#include <string>
#include <string_view>

#include "text/code_page.h"

namespace feed {
namespace {

std::string Convert(const char* to, const char* from, std::string_view in,
                    char replacement) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string();
  std::string out;
  char buffer[4096];
  char* source = const_cast<char*>(in.data());
  size_t left = in.size();
  while (left > 0) {
    char* target = buffer;
    size_t room = sizeof(buffer);
    size_t done = iconv(cd, &source, &left, &target, &room);
    out.append(buffer, static_cast<size_t>(target - buffer));
    if (done == static_cast<size_t>(-1) && errno != E2BIG) {
      out.push_back(replacement);  // skip one undecodable byte
      ++source;
      --left;
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string GbkToUtf8(const Text& text) {
  return Convert("UTF-8", "GBK", text.view(), '?');
}

Text Utf8ViewToGbk(std::string_view utf8) {
  return Text(Convert("GBK", "UTF-8", utf8, '?'));
}

}  // namespace feed
