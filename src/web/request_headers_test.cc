#include "web/request_headers.h"

#include <gtest/gtest.h>

#include <string>

namespace feed {
namespace {

constexpr char kUserAgent[] =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; "
    "Trident/5.0)\r\n";
constexpr char kAccept[] = "Accept: text/html, application/xhtml+xml, */*\r\n";
constexpr char kAcceptEncoding[] = "Accept-Encoding: gbk, GB2312\r\n";
constexpr char kAcceptLanguage[] = "Accept-Language: zh-cn\r\n";
constexpr char kContentType[] =
    "Content-Type: application/x-www-form-urlencoded\r\n";
constexpr char kCacheControl[] = "Cache-Control: no-cache\r\n";

std::string AllDefaults() {
  return std::string(kUserAgent) + kAccept + kAcceptEncoding +
         kAcceptLanguage + kContentType + kCacheControl;
}

TEST(RequestHeadersTest, DefaultsOnly) {
  EXPECT_EQ(BuildRequestHeaders("", ""), Text(AllDefaults()));
}

TEST(RequestHeadersTest, CallerLinesAndDefaults) {
  struct Case {
    const char* name;
    const char* request_headers;
    const char* cookies;
    std::string expected;
  };
  const std::string defaults = AllDefaults();
  const Case cases[] = {
      {"cookie line from the cookie string", "", "a=1; b=2",
       defaults + "Cookie: a=1; b=2\r\n"},
      {"caller lines come first, untouched", "X-One: 1\r\nx-two:2", "",
       "X-One: 1\r\nx-two:2\r\n" + defaults},
      {"lower-case user-agent suppresses the default",
       "user-agent: probe", "",
       std::string("user-agent: probe\r\n") + kAccept + kAcceptEncoding +
           kAcceptLanguage + kContentType + kCacheControl},
      {"lower-case names suppress all but content-type",
       "user-agent: u\r\naccept: a\r\naccept-encoding: e\r\n"
       "accept-language: l\r\ncache-control: c\r\ncookie: k=1",
       "a=1",
       std::string("user-agent: u\r\naccept: a\r\naccept-encoding: e\r\n"
                   "accept-language: l\r\ncache-control: c\r\ncookie: k=1"
                   "\r\n") +
           kContentType},
      {"lower-case content-type still gets the default", "content-type: x/y",
       "",
       std::string("content-type: x/y\r\n") + kUserAgent + kAccept +
           kAcceptEncoding + kAcceptLanguage + kContentType + kCacheControl},
      {"Content-Type without a blank suppresses the default",
       "Content-Type:x/y", "",
       std::string("Content-Type:x/y\r\n") + kUserAgent + kAccept +
           kAcceptEncoding + kAcceptLanguage + kCacheControl},
      {"Accept without a blank does not suppress the default", "Accept:*/*",
       "", "Accept:*/*\r\n" + defaults},
      {"a caller Cookie line wins over the cookie string", "Cookie: mine=1",
       "a=1", "Cookie: mine=1\r\n" + defaults},
      // The search looks anywhere in the block, inside values too.
      {"a name inside another value suppresses", "X-Note: Accept: none", "",
       std::string("X-Note: Accept: none\r\n") + kUserAgent +
           kAcceptEncoding + kAcceptLanguage + kContentType + kCacheControl},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(BuildRequestHeaders(c.request_headers, c.cookies),
              Text(c.expected));
  }
}

}  // namespace
}  // namespace feed
