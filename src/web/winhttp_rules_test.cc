#include "web/winhttp_rules.h"

#include <gtest/gtest.h>

#include <iostream>
#include <string>

#include "tests/support/fake_http_service.h"
#include "tests/support/wine.h"
#include "web/http_service.h"

namespace feed {
namespace {

std::u16string Widen(const std::string& ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

std::string PartOf(const std::string& url, const UrlPart& part) {
  if (part.length <= 0) return "";
  return url.substr(static_cast<size_t>(part.offset),
                    static_cast<size_t>(part.length));
}

struct UrlCase {
  const char* url;
  bool ok;
  int scheme;
  const char* host;
  int port;
  const char* path;
  const char* extra;
  // Why Wine's WinHttpCrackUrl answers otherwise, when it does.
  const char* wineDiffers = nullptr;
};

// Each case goes through our own rules and through the system's service:
// on Windows that is WinHttpCrackUrl itself, so the rules are checked
// against it. Our rules follow Windows where Wine's copy of WinHTTP parts
// from it; those cases are not compared under Wine.
const UrlCase kUrlCases[] = {
    {"http://example.com", true, kSchemeHttp, "example.com", 80, "", ""},
    {"http://example.com/", true, kSchemeHttp, "example.com", 80, "/", ""},
    {"https://example.com/a/b.html", true, kSchemeHttps, "example.com", 443,
     "/a/b.html", ""},
    {"HTTP://Example.COM:8080/x?y=1#z", true, kSchemeHttp, "Example.COM",
     8080, "/x", "?y=1#z"},
    {"http://host?q=1", true, kSchemeHttp, "host", 80, "", "?q=1",
     "Wine ends the host name at \"/\" only"},
    {"http://host#frag", true, kSchemeHttp, "host", 80, "", "#frag",
     "Wine ends the host name at \"/\" only"},
    {"http://host/p#f?g", true, kSchemeHttp, "host", 80, "/p", "#f?g",
     "Wine starts the extra information at \"?\" only"},
    {"http://user:pw@host:81/p", true, kSchemeHttp, "host", 81, "/p", ""},
    {"https://10.0.0.1:8443", true, kSchemeHttps, "10.0.0.1", 8443, "", ""},
    {"http://[::1]:8080/p", true, kSchemeHttp, "[::1]", 8080, "/p", "",
     "Wine cuts a bracketed IPv6 host at its first colon"},
    {"http://h/rest/n/feed/list?mod=a&ver=1", true, kSchemeHttp, "h", 80,
     "/rest/n/feed/list", "?mod=a&ver=1"},
    {"", false, 0, "", 0, "", ""},
    {"example.com/path", false, 0, "", 0, "", ""},
    {"ftp://example.com/", false, 0, "", 0, "", ""},
    {"http:example.com", false, 0, "", 0, "", ""},
    {"http://:80/", false, 0, "", 0, "", "", "Wine accepts an empty host"},
    {"http://host:99999/", false, 0, "", 0, "", ""},
    {"http://host:8x/", false, 0, "", 0, "", "",
     "Wine reads the port's leading digits"},
};

void ExpectCase(const UrlCase& c, bool ok, const UrlComponents& parts,
                const char* who) {
  SCOPED_TRACE(std::string(who) + ": " + c.url);
  ASSERT_EQ(ok, c.ok);
  if (!ok) return;
  std::string url = c.url;
  EXPECT_EQ(parts.scheme, c.scheme);
  EXPECT_EQ(PartOf(url, parts.hostName), c.host);
  EXPECT_EQ(parts.port, c.port);
  EXPECT_EQ(PartOf(url, parts.urlPath), c.path);
  EXPECT_EQ(PartOf(url, parts.extraInfo), c.extra);
}

TEST(WinHttpRulesTest, CracksUrlsAsWinHttpDoes) {
  for (const UrlCase& c : kUrlCases) {
    UrlComponents ours;
    ExpectCase(c, CrackWinHttpUrl(Widen(c.url), &ours), ours, "rules");

    if (c.wineDiffers != nullptr && RunningUnderWine()) {
      std::cout << "  not compared with Wine for " << c.url << ": "
                << c.wineDiffers << "\n";
      continue;
    }
    UrlComponents system;
    std::string url = c.url;
    bool ok = SystemHttpService().CrackUrl(
        WideBytes(url), static_cast<uint32_t>(url.size()), 0, &system);
    ExpectCase(c, ok, system, "system service");
  }
}

TEST(WinHttpRulesTest, ChoosesTheProxyForTheScheme) {
  struct Case {
    const char* list;
    bool secure;
    const char* proxy;
  };
  const Case cases[] = {
      {"10.0.0.1:8080", false, "10.0.0.1:8080"},
      {"10.0.0.1:8080", true, "10.0.0.1:8080"},
      {"proxy", false, "proxy:80"},
      {"http=10.0.0.1:3128", false, "10.0.0.1:3128"},
      {"http=10.0.0.1:3128", true, ""},
      {"https=s:1;http=h:2", false, "h:2"},
      {"https=s:1;http=h:2", true, "s:1"},
      {"all:9 http=h:2", false, "h:2"},
      {"all:9 http=h:2", true, "all:9"},
      {"http=http://h:2", false, "h:2"},
      {"", false, ""},
      {" ; ", true, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseProxy(c.list, c.secure), c.proxy)
        << c.list << (c.secure ? " (https)" : " (http)");
  }
}

}  // namespace
}  // namespace feed
