#include "web/request_headers.h"

namespace feed {
namespace {

const Text kLineEnd("\r\n");

struct DefaultHeader {
  const char* search;
  bool ignoreCase;
  const char* line;
};

// Searched against the block as built so far, so a row also sees the lines
// that earlier rows appended.
constexpr DefaultHeader kDefaultHeaders[] = {
    {"User-Agent: ", true,
     "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; "
     "Trident/5.0)\r\n"},
    {"Accept: ", true, "Accept: text/html, application/xhtml+xml, */*\r\n"},
    {"Accept-Encoding: ", true, "Accept-Encoding: gbk, GB2312\r\n"},
    {"Accept-Language: ", true, "Accept-Language: zh-cn\r\n"},
    {"Content-Type:", false,
     "Content-Type: application/x-www-form-urlencoded\r\n"},
    {"Cache-Control: ", true, "Cache-Control: no-cache\r\n"},
};

bool Holds(const Text& block, const char* search, bool ignoreCase) {
  return FindText(block, search, 1, ignoreCase) != -1;
}

}  // namespace

Text BuildRequestHeaders(const Text& requestHeaders, const Text& cookies) {
  Text block = requestHeaders.empty() ? Text()
                                      : ConcatText(requestHeaders, kLineEnd);
  for (const DefaultHeader& header : kDefaultHeaders) {
    if (!Holds(block, header.search, header.ignoreCase)) {
      block = ConcatText(block, header.line);
    }
  }
  if (!cookies.empty() && !Holds(block, "Cookie: ", true)) {
    block = ConcatText(block, "Cookie: ", cookies, kLineEnd);
  }
  return block;
}

}  // namespace feed
