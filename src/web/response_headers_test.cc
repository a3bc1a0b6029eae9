#include "web/response_headers.h"

#include <gtest/gtest.h>

#include <string>

#include "text/code_page.h"

namespace feed {
namespace {

// The raw header text as the HTTP service reports it: UTF-16 with a NUL.
Bytes RawHeaders(const char* gbk) { return GbkToUtf16(gbk); }

struct Outputs {
  Text new_cookies;
  Text response_headers;
  Text status_text;
  Text redirect_target;
};

Outputs Process(const char* raw, Text* cookies = nullptr,
                const char* new_cookies = "",
                const char* redirect_target = "") {
  Outputs out{new_cookies, "", "", redirect_target};
  ProcessResponseHeaders(RawHeaders(raw), cookies, &out.new_cookies,
                         &out.response_headers, &out.status_text,
                         &out.redirect_target);
  return out;
}

TEST(ResponseHeadersTest, StatusText) {
  struct Case {
    const char* raw;
    const char* status;
  };
  const Case cases[] = {
      {"HTTP/1.1 200 OK\r\nServer: t\r\n\r\n", "200 OK"},
      {"HTTP/1.1 302 Found\r\nLocation: /x\r\n\r\n", "302 Found"},
      {"HTTP/1.1 404 Not Found\r\n\r\n", "404 Not Found"},
      {"HTTP/1.1 204\r\n\r\n", "204"},
      {"HTTP/1.1 200 OK", ""},  // no line end at or after byte 10
      {"HTTP/1.1", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.raw);
    Outputs out = Process(c.raw);
    EXPECT_EQ(out.status_text, Text(c.status));
    EXPECT_EQ(out.response_headers, Text(c.raw));
  }
}

TEST(ResponseHeadersTest, CookiesAndRedirect) {
  struct Case {
    const char* name;
    const char* raw;
    const char* new_cookies;
    const char* redirect_target;  // starts as "(none)"
  };
  const Case cases[] = {
      {"a pair with attributes and a bare pair",
       "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; Path=/; HttpOnly\r\n"
       "Set-Cookie: b=2\r\n\r\n",
       "a=1; b=2", "(none)"},
      {"any letter case", "HTTP/1.1 200 OK\r\nset-cookie: a=1; path=/\r\n"
       "SET-COOKIE: b=2\r\n\r\n",
       "a=1; b=2", "(none)"},
      {"no Set-Cookie, lower-case location",
       "HTTP/1.1 302 Found\r\nlocation: /next?x=1\r\n\r\n", "", "/next?x=1"},
      {"the last Location wins",
       "HTTP/1.1 302 Found\r\nLocation: /one\r\nLOCATION: /two\r\n\r\n", "",
       "/two"},
      {"Location without its blank is not one",
       "HTTP/1.1 302 Found\r\nLocation:/x\r\n\r\n", "", "(none)"},
      {"an empty Location value", "HTTP/1.1 302 Found\r\nLocation: \r\n\r\n",
       "", ""},
      {"blanks around a value without attributes",
       "HTTP/1.1 200 OK\r\nSet-Cookie:   c=3  \r\n\r\n", "c=3", "(none)"},
      {"the value ends at the first semicolon after the name",
       "HTTP/1.1 200 OK\r\nSet-Cookie: a=1;b=2;c=3\r\n\r\n", "a=1",
       "(none)"},
      // Lines that only hold "Set-Cookie" somewhere still count: with a ";"
      // they give an empty value, without one their whole trimmed text.
      {"a malformed line with a semicolon",
       "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nX-Set-Cookie-Note: z;\r\n\r\n",
       "a=1; ", "(none)"},
      {"a malformed line without a semicolon",
       "HTTP/1.1 200 OK\r\nX-Set-Cookie-Flag: on\r\n\r\n",
       "X-Set-Cookie-Flag: on", "(none)"},
      {"Set-Cookie and Location on one response",
       "HTTP/1.1 302 Found\r\nSet-Cookie: s=9; Max-Age=60\r\n"
       "Location: http://h/p\r\n\r\n",
       "s=9", "http://h/p"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Outputs out = Process(c.raw, nullptr, "", "(none)");
    EXPECT_EQ(out.new_cookies, Text(c.new_cookies));
    EXPECT_EQ(out.redirect_target, Text(c.redirect_target));
  }
}

TEST(ResponseHeadersTest, SetCookieNamesAreShownCapitalised) {
  Outputs out = Process(
      "HTTP/1.1 200 OK\r\nset-cookie: a=1\r\nX-SET-cookie-y: 2\r\n\r\n");
  EXPECT_EQ(out.response_headers,
            Text("HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nX-Set-Cookie-y: 2"
                 "\r\n\r\n"));
}

TEST(ResponseHeadersTest, NonAsciiHeaderText) {
  // "HTTP/1.1 200 成功" with a cookie value holding "中文".
  Outputs out = Process(
      "HTTP/1.1 200 \xB3\xC9\xB9\xA6\r\n"
      "Set-Cookie: n=\xD6\xD0\xCE\xC4; Path=/\r\n\r\n");
  EXPECT_EQ(out.status_text, Text("200 \xB3\xC9\xB9\xA6"));
  EXPECT_EQ(out.new_cookies, Text("n=\xD6\xD0\xCE\xC4"));
}

TEST(ResponseHeadersTest, CallersNewCookiesKeepTheirText) {
  const char* no_cookie = "HTTP/1.1 200 OK\r\nServer: t\r\n\r\n";
  const char* one_cookie = "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; Path=/\r\n\r\n";
  struct Case {
    const char* raw;
    const char* before;
    const char* after;
  };
  const Case cases[] = {
      {no_cookie, "keep=1", "keep=1"},
      {no_cookie, "k", "k"},
      {no_cookie, "", ""},
      {one_cookie, "prior; ", "prior; a=1"},
      {one_cookie, "", "a=1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.before) + " with " + c.raw);
    EXPECT_EQ(Process(c.raw, nullptr, c.before).new_cookies, Text(c.after));
  }
}

TEST(ResponseHeadersTest, MergesOnlyIntoGivenCookies) {
  const char* raw =
      "HTTP/1.1 200 OK\r\nSet-Cookie: b=3; Path=/\r\n"
      "Set-Cookie: sid=deleted; Expires=Thu, 01 Jan 1970 00:00:00 GMT\r\n"
      "Set-Cookie: c=4\r\n\r\n";

  Text cookies("a=1; b=2; sid=7");
  Outputs given = Process(raw, &cookies);
  EXPECT_EQ(cookies, Text("b=3; c=4; a=1"));
  // The merge leaves the new cookies without blanks.
  EXPECT_EQ(given.new_cookies, Text("b=3;sid=deleted;c=4"));

  Text empty_cookies;
  Process(raw, &empty_cookies);
  EXPECT_EQ(empty_cookies, Text("b=3; c=4"));

  Outputs omitted = Process(raw, nullptr);
  EXPECT_EQ(omitted.new_cookies, Text("b=3; sid=deleted; c=4"));
}

}  // namespace
}  // namespace feed
