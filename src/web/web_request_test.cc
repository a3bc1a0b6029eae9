// The web request against the fake HTTP service: what it passes to each
// call, how it leaves on every failure, and what it makes of a response.

#include "web/web_request.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/fake_http_service.h"
#include "text/code_page.h"
#include "text/stop_signal.h"
#include "web/request_headers.h"

namespace feed {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

// Error and status texts as the program holds them (code page 936).
Text Gbk(const char* utf8) { return Utf8ToGbk(Text(utf8)); }

const Text kOld("old");  // what every out parameter holds before a call

// One call of WebRequest with every parameter spelled out; the out
// parameters start as kOld so that a test sees which were written.
struct Call {
  Text url = "http://feed.example/rest/list?a=1";
  int method = kMethodGet;
  Text body;
  std::optional<Text> cookies;  // nullopt: not given
  Text requestHeaders;
  bool noRedirect = false;
  Text user, password, proxy, proxyUser, proxyPassword;
  int timeoutSeconds = 0;

  Text newCookies = kOld;
  Text responseHeaders = kOld;
  Text redirectTarget = kOld;
  Text statusText = kOld;
  Bytes responseBody = Bytes("old"sv);
  Text result = kOld;

  Call& Run(FakeHttpService& fake, const StopSignal* stop = nullptr) {
    result = WebRequest(url, method, body, cookies ? &*cookies : nullptr,
                        &newCookies, requestHeaders, &responseHeaders,
                        noRedirect, user, password, proxy, proxyUser,
                        proxyPassword, timeoutSeconds, &redirectTarget,
                        &statusText, &responseBody, stop, &fake);
    return *this;
  }
};

// A call that reaches every optional step.
Call EveryStep() {
  Call call;
  call.cookies = Text("a=1");
  call.noRedirect = true;
  call.user = "u";
  call.password = "p";
  call.proxy = "10.0.0.1:8080";
  call.proxyUser = "pu";
  call.proxyPassword = "pp";
  return call;
}

HttpHandle HandleNumber(int n) {
  return reinterpret_cast<HttpHandle>(static_cast<uintptr_t>(n));
}

// The functions called after the last call of |function|.
std::string SequenceAfter(const FakeHttpService& fake,
                          const std::string& function) {
  std::string sequence = fake.Sequence();
  size_t at = sequence.rfind(function);
  if (at == std::string::npos) return "(" + function + " not called)";
  size_t next = at + function.size() + 1;
  return next >= sequence.size() ? "" : sequence.substr(next);
}

TEST(WebRequestTest, EachFailingStepGivesItsTextAndItsExit) {
  struct Case {
    const char* function;
    int nth;  // which call of it fails, from 1
    const char* text;
    bool early;
  };
  const Case cases[] = {
      {"CheckPlatform", 1, "700 当前系统不支持WinHttp服务!", false},
      {"CrackUrl", 1, "701 解析URL地址失败!", false},
      {"Open", 1, "702 创建WinHttp会话失败!", false},
      {"Connect", 1, "703 创建WinHttp连接失败!", false},
      {"OpenRequest", 1, "704 创建WinHttp请求失败!", false},
      {"SetTimeouts", 1, "705 设置超时时间失败!", false},
      {"SetCredentials", 1, "707 设置代理凭证失败!", true},  // server
      {"SetCredentials", 2, "707 设置代理凭证失败!", true},  // proxy
      {"SetOption", 1, "708 禁止自动设置Cookies失败!", true},
      {"SetOption", 2, "709 重定向设置失败!", true},
      {"AddRequestHeaders", 1, "710 设置协议头失败!", false},
      {"SendRequest", 1, "711 发送请求失败!", false},
      {"ReceiveResponse", 1, "712 服务器未响应!", false},
  };
  int lastDispatches = -1;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.function) + " #" + std::to_string(c.nth));
    FakeHttpService fake;
    fake.FailNth(c.function, c.nth);
    Call call = EveryStep();
    call.Run(fake);

    EXPECT_EQ(call.statusText, Gbk(c.text));
    EXPECT_EQ(call.result, Text());
    // Nothing else was written, the cookie string included.
    EXPECT_EQ(call.cookies, Text("a=1"));
    EXPECT_EQ(call.newCookies, kOld);
    EXPECT_EQ(call.responseHeaders, kOld);
    EXPECT_EQ(call.redirectTarget, kOld);
    EXPECT_EQ(call.responseBody, Bytes("old"sv));
    EXPECT_EQ(fake.Count("CoInitialize"), 0);

    // After the failing call only the way out: messages are processed once
    // per stage entered on the normal exit, never on the early one; then
    // the handles go, request first.
    std::string after = SequenceAfter(fake, c.function);
    int dispatches = fake.Count("ProcessEvents");
    std::string closing = "CloseHandle CloseHandle CloseHandle";
    std::string expected;
    for (int i = 0; i < dispatches; ++i) expected += "ProcessEvents ";
    EXPECT_EQ(after, expected + closing);
    const FakeHttpCall* first = fake.Find("CloseHandle", 0);
    const FakeHttpCall* last = fake.Find("CloseHandle", 2);
    ASSERT_TRUE(first && last);
    if (fake.Count("OpenRequest") > 0 && std::string(c.function) != "OpenRequest") {
      EXPECT_EQ(first->handle, HandleNumber(3));  // the request
    }
    if (fake.Count("Open") > 0 && std::string(c.function) != "Open") {
      EXPECT_EQ(last->handle, HandleNumber(1));  // the session
    }

    if (c.early) {
      EXPECT_EQ(dispatches, 0);
    } else if (std::string(c.function) == "CheckPlatform") {
      EXPECT_EQ(dispatches, 0);
    } else {
      EXPECT_GT(dispatches, lastDispatches);
      lastDispatches = dispatches;
    }
  }
}

TEST(WebRequestTest, UrlsThatCannotBeParsedFail) {
  for (const char* url : {"", "feed.example/list", "ftp://feed.example/"}) {
    FakeHttpService fake;
    Call call;
    call.url = url;
    call.Run(fake);
    EXPECT_EQ(call.statusText, Gbk("701 解析URL地址失败!")) << url;
    EXPECT_EQ(call.result, Text());
  }
}

TEST(WebRequestTest, TakesHostPortAndObjectNameFromTheUrl) {
  struct Case {
    const char* url;  // UTF-8, converted to code page 936
    uint32_t units;   // the URL's length in UTF-16 code units
    const char* host;
    int port;
    const char* object;
    uint32_t flags;
  };
  const Case cases[] = {
      {"http://feed.example", 19, "feed.example", 80, "/", 0},
      {"http://feed.example/", 20, "feed.example", 80, "/", 0},
      {"http://feed.example:8080/rest/n/feed/list?mod=a&ver=1#top", 57,
       "feed.example", 8080, "/rest/n/feed/list?mod=a&ver=1#top", 0},
      // A query without a path is not sent.
      {"http://feed.example?mod=a", 25, "feed.example", 80, "/", 0},
      {"https://feed.example/p", 22, "feed.example", 443, "/p", kFlagSecure},
      {"http://中文.example/路径?q=值", 24, "中文.example", 80, "/路径?q=值", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    FakeHttpService fake;
    Call call;
    call.url = Gbk(c.url);
    call.Run(fake);
    const FakeHttpCall* crack = fake.Find("CrackUrl");
    ASSERT_NE(crack, nullptr);
    EXPECT_EQ(crack->strings[0], c.url);
    EXPECT_EQ(crack->numbers, (std::vector<int64_t>{c.units, 0}));

    const FakeHttpCall* connect = fake.Find("Connect");
    ASSERT_NE(connect, nullptr);
    EXPECT_EQ(connect->strings[0], c.host);
    EXPECT_EQ(connect->numbers[0], c.port);

    const FakeHttpCall* open = fake.Find("OpenRequest");
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->strings[1], c.object);
    // Terminated UTF-16.
    std::string_view raw = open->raw[1].view();
    ASSERT_GE(raw.size(), 2u);
    EXPECT_EQ(raw.substr(raw.size() - 2), std::string_view("\0\0", 2));
    EXPECT_EQ(open->numbers[1], c.flags);
  }
}

TEST(WebRequestTest, ChoosesTheVerb) {
  struct Case {
    int method;
    const char* verb;
  };
  const Case cases[] = {{kMethodGet, "GET"}, {kMethodPost, "POST"},
                        {kMethodHead, "HEAD"}, {kMethodPut, "PUT"},
                        {4, "GET"}, {-1, "GET"}, {INT_MAX, "GET"}};
  for (const Case& c : cases) {
    FakeHttpService fake;
    Call call;
    call.method = c.method;
    call.Run(fake);
    const FakeHttpCall* open = fake.Find("OpenRequest");
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->strings[0], c.verb) << c.method;
    // No version, referrer or accept types.
    EXPECT_EQ(open->raw[2], Bytes());
    EXPECT_EQ(open->raw[3], Bytes());
    EXPECT_EQ(open->numbers[0], 0);
  }
}

TEST(WebRequestTest, OpensTheSessionWithTheProxyForTheScheme) {
  struct Case {
    const char* url;
    const char* proxy;
    int64_t accessType;
    const char* proxyName;
  };
  const Case cases[] = {
      {"http://h/", "", kAccessTypeNoProxy, ""},
      {"https://h/", "", kAccessTypeNoProxy, ""},
      {"http://h/", "10.0.0.1:8080", kAccessTypeNamedProxy,
       "http=10.0.0.1:8080"},
      {"https://h/", "10.0.0.1:8080", kAccessTypeNamedProxy, "10.0.0.1:8080"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.url) + " via " + c.proxy);
    FakeHttpService fake;
    Call call;
    call.url = c.url;
    call.proxy = c.proxy;
    call.Run(fake);
    const FakeHttpCall* open = fake.Find("Open");
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->raw[0], Bytes());  // no user agent
    EXPECT_EQ(open->numbers, (std::vector<int64_t>{c.accessType, 0}));
    EXPECT_EQ(open->strings[1], c.proxyName);
    if (*c.proxy == '\0') {
      EXPECT_EQ(open->raw[1], Bytes());  // a null proxy name
    }
    EXPECT_EQ(open->raw[2], Bytes());  // no bypass list
  }
}

TEST(WebRequestTest, SetsOneTimeoutForAllFourPhases) {
  struct Case {
    int seconds;
    int64_t milliseconds;
  };
  const Case cases[] = {{0, 30000},
                        {-5, 30000},
                        {1, 1000},
                        {5, 5000},
                        {2147483, 2147483000},
                        // Beyond 32 bits of milliseconds: the largest value.
                        {2147484, INT32_MAX},
                        {INT_MAX, INT32_MAX}};
  for (const Case& c : cases) {
    FakeHttpService fake;
    Call call;
    call.timeoutSeconds = c.seconds;
    call.Run(fake);
    const FakeHttpCall* timeouts = fake.Find("SetTimeouts");
    ASSERT_NE(timeouts, nullptr);
    EXPECT_EQ(timeouts->handle, HandleNumber(3));
    int64_t ms = c.milliseconds;
    EXPECT_EQ(timeouts->numbers, (std::vector<int64_t>{ms, ms, ms, ms}))
        << c.seconds;
  }
}

TEST(WebRequestTest, SetsCredentialsOnlyForCompletePairs) {
  struct Case {
    const char *user, *password, *proxyUser, *proxyPassword;
    std::vector<std::vector<std::string>> expected;  // target, user, password
  };
  const Case cases[] = {
      {"", "", "", "", {}},
      {"u", "", "", "", {}},
      {"", "p", "", "pp", {}},
      {"u", "p", "", "", {{"0", "u", "p"}}},
      {"", "", "pu", "pp", {{"1", "pu", "pp"}}},
      {"u", "p", "pu", "pp", {{"0", "u", "p"}, {"1", "pu", "pp"}}},
      {"用户", "密码", "", "", {{"0", "用户", "密码"}}},
  };
  for (const Case& c : cases) {
    FakeHttpService fake;
    Call call;
    call.user = Gbk(c.user);
    call.password = Gbk(c.password);
    call.proxyUser = Gbk(c.proxyUser);
    call.proxyPassword = Gbk(c.proxyPassword);
    call.Run(fake);
    std::vector<std::vector<std::string>> got;
    for (int i = 0; const FakeHttpCall* set = fake.Find("SetCredentials", i); ++i) {
      EXPECT_EQ(set->numbers[1], kAuthSchemeBasic);
      got.push_back({std::to_string(set->numbers[0]), set->strings[0],
                     set->strings[1]});
    }
    EXPECT_EQ(got, c.expected) << c.user << "/" << c.password << " "
                               << c.proxyUser << "/" << c.proxyPassword;
  }
}

TEST(WebRequestTest, SetsTheCookieAndRedirectOptions) {
  struct Case {
    std::optional<Text> cookies;
    bool noRedirect;
    std::vector<std::vector<int64_t>> options;
  };
  const Case cases[] = {
      {std::nullopt, false, {{63, 1}}},
      {Text(), false, {{79, 1}}},
      {Text("a=1"), false, {{79, 1}}},
      {std::nullopt, true, {{63, 1}, {63, 2}}},
      {Text(), true, {{79, 1}, {63, 2}}},
  };
  for (const Case& c : cases) {
    FakeHttpService fake;
    Call call;
    call.cookies = c.cookies;
    call.noRedirect = c.noRedirect;
    call.Run(fake);
    std::vector<std::vector<int64_t>> got;
    for (int i = 0; const FakeHttpCall* set = fake.Find("SetOption", i); ++i)
      got.push_back(set->numbers);
    EXPECT_EQ(got, c.options);
  }
}

TEST(WebRequestTest, AddsTheHeaderBlockWithItsLengthInUtf16Units) {
  struct Case {
    const char* requestHeaders;  // UTF-8
    std::optional<const char*> cookies;
  };
  const Case cases[] = {
      {"", std::nullopt},
      {"", ""},
      {"X-A: 1\r\nCookie: mine=1", "a=1"},
      // Two bytes each in code page 936, one code unit each in UTF-16.
      {"X-名: 值", "名=值"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.requestHeaders);
    FakeHttpService fake;
    Call call;
    call.requestHeaders = Gbk(c.requestHeaders);
    if (c.cookies) call.cookies = Gbk(*c.cookies);
    Text block = BuildRequestHeaders(call.requestHeaders,
                                     call.cookies ? *call.cookies : Text());
    call.Run(fake);
    const FakeHttpCall* add = fake.Find("AddRequestHeaders");
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add->raw[0], GbkToUtf16(block));
    EXPECT_EQ(add->numbers[0], static_cast<int64_t>(add->raw[0].size() / 2 - 1));
    EXPECT_EQ(add->numbers[1], int64_t{0xA0000000});
  }
}

TEST(WebRequestTest, SendsTheBodyBytesUnchanged) {
  for (const char* body : {"", "a=1&b=2", "\xD6\xD0\xCE\xC4"}) {
    FakeHttpService fake;
    Call call;
    call.method = kMethodPost;
    call.body = body;
    call.Run(fake);
    const FakeHttpCall* send = fake.Find("SendRequest");
    ASSERT_NE(send, nullptr);
    EXPECT_EQ(send->raw[0], Bytes());  // no extra headers
    EXPECT_EQ(send->raw[1], Bytes(std::string(body)));
    int64_t length = static_cast<int64_t>(std::string(body).size());
    EXPECT_EQ(send->numbers, (std::vector<int64_t>{0, length, length, 0}));
  }
}

const char kResponse[] =
    "HTTP/1.1 200 OK\r\n"
    "Content-Length: 7\r\n"
    "set-cookie: sid=9; Path=/\r\n"
    "Set-Cookie: a=2\r\n"
    "Location: /next\r\n"
    "\r\n";

TEST(WebRequestTest, HandsBackTheResponse) {
  FakeHttpService fake;
  fake.SetResponse(kResponse, {"abc", "\0de"s, "f"});
  Call call;
  call.cookies = Text("a=1; b=1");
  call.newCookies = Text();
  call.Run(fake);

  EXPECT_EQ(call.result, Text("abc"));  // up to the zero byte
  EXPECT_EQ(call.responseBody, Bytes("abc\0def"s));
  EXPECT_EQ(call.statusText, Text("200 OK"));
  EXPECT_EQ(call.redirectTarget, Text("/next"));
  EXPECT_EQ(call.responseHeaders,
            Text("HTTP/1.1 200 OK\r\nContent-Length: 7\r\n"
                 "Set-Cookie: sid=9; Path=/\r\nSet-Cookie: a=2\r\n"
                 "Location: /next\r\n\r\n"));
  EXPECT_EQ(call.newCookies, Text("sid=9;a=2"));
  EXPECT_EQ(call.cookies, Text("sid=9; a=2; b=1"));

  // Each read takes exactly what was reported available.
  for (int i = 0; i < 3; ++i) {
    const FakeHttpCall* read = fake.Find("ReadData", i);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->numbers[0], i == 2 ? 1 : 3);
  }
  // The raw headers: a size query, then the text; COM around the charset
  // step; then the way out.
  const FakeHttpCall* sizeQuery = fake.Find("QueryHeaders", 0);
  ASSERT_NE(sizeQuery, nullptr);
  EXPECT_EQ(sizeQuery->numbers, (std::vector<int64_t>{22, 0, 0}));
  std::string after = SequenceAfter(fake, "QueryDataAvailable");
  EXPECT_EQ(after.substr(0, after.find(" ProcessEvents")),
            "QueryHeaders QueryHeaders CoInitialize CoUninitialize");
  EXPECT_EQ(SequenceAfter(fake, "CoUninitialize").substr(0, 13), "ProcessEvents");
  EXPECT_EQ(SequenceAfter(fake, "ProcessEvents"),
            "CloseHandle CloseHandle CloseHandle");
}

TEST(WebRequestTest, CookiesLeftOutAreNeitherSentNorMerged) {
  FakeHttpService fake;
  fake.SetResponse(kResponse, {"abcdefg"});
  Call call;
  call.newCookies = Text();
  call.Run(fake);
  EXPECT_EQ(call.newCookies, Text("sid=9; a=2"));
  const FakeHttpCall* add = fake.Find("AddRequestHeaders");
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(add->strings[0].find("Cookie"), std::string::npos);
}

TEST(WebRequestTest, ABrokenReadKeepsTheBodySoFarAndItsError) {
  const Text kReadFailed = Gbk("713 读取数据失败!");
  struct Case {
    const char* name;
    int failQueryAfter;
    int failReadAfter;
  };
  const Case cases[] = {{"read fails", -1, 1}, {"query fails", 1, -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeHttpService fake;
    fake.SetResponse("HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\n",
                     {"abc", "def"});
    fake.FailQueryDataAfter(c.failQueryAfter);
    fake.FailReadDataAfter(c.failReadAfter);
    Call call;
    call.Run(fake);
    EXPECT_EQ(call.result, Text("abc"));
    EXPECT_EQ(call.responseBody, Bytes("abc"sv));
    EXPECT_EQ(call.statusText, kReadFailed);
    EXPECT_EQ(call.responseHeaders,
              Text("HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\n"));
  }
}

TEST(WebRequestTest, ABodyShorterThanItsContentLengthIsAReadError) {
  const Text kReadFailed = Gbk("713 读取数据失败!");
  struct Case {
    const char* headers;
    int method;
    const char* body;
    bool cut;
  };
  const Case cases[] = {
      {"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n", kMethodGet, "abc",
       true},
      {"HTTP/1.1 200 OK\r\ncontent-length:3\r\n\r\n", kMethodGet, "abc",
       false},
      {"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n", kMethodHead, "",
       false},
      {"HTTP/1.1 304 Not Modified\r\nContent-Length: 10\r\n\r\n", kMethodGet,
       "", false},
      {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", kMethodGet,
       "abc", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.headers);
    FakeHttpService fake;
    fake.SetResponse(c.headers, {c.body});
    Call call;
    call.method = c.method;
    call.Run(fake);
    EXPECT_EQ(call.result, Text(c.body));
    std::string status = std::string(c.headers).substr(9);
    status.resize(status.find("\r\n"));
    EXPECT_EQ(call.statusText, c.cut ? kReadFailed : Text(status));
  }
}

TEST(WebRequestTest, WithoutRawHeadersTheResultIsEmpty) {
  FakeHttpService fake;
  fake.SetResponse(kResponse, {"abcdefg"});
  fake.FailNth("QueryHeaders", 2);
  Call call = EveryStep();
  call.Run(fake);
  EXPECT_EQ(call.result, Text());
  EXPECT_EQ(call.statusText, kOld);
  EXPECT_EQ(call.cookies, Text("a=1"));
  EXPECT_EQ(call.newCookies, kOld);
  EXPECT_EQ(call.responseHeaders, kOld);
  EXPECT_EQ(call.redirectTarget, kOld);
  EXPECT_EQ(call.responseBody, Bytes("old"sv));
  EXPECT_EQ(fake.Count("CoInitialize"), 0);
  EXPECT_GT(fake.Count("ProcessEvents"), 0);

  // A read error written before stays.
  FakeHttpService broken;
  broken.SetResponse(kResponse, {"abc", "defg"});
  broken.FailReadDataAfter(1);
  broken.FailNth("QueryHeaders", 2);
  Call second;
  second.Run(broken);
  EXPECT_EQ(second.result, Text());
  EXPECT_EQ(second.statusText, Gbk("713 读取数据失败!"));
}

TEST(WebRequestTest, AStopClosesTheRequestFromTheStoppingThread) {
  FakeHttpService fake;
  fake.blockReceive = true;
  StopSignal stop;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    stop.Request();
  });
  Call call;
  call.Run(fake, &stop);
  stopper.join();
  EXPECT_EQ(call.statusText, Gbk("712 服务器未响应!"));
  EXPECT_EQ(call.result, Text());
  // The request was closed once, by the stop, and the others on the way out.
  int requestCloses = 0;
  for (int i = 0; const FakeHttpCall* close = fake.Find("CloseHandle", i); ++i) {
    if (close->handle == HandleNumber(3)) ++requestCloses;
  }
  EXPECT_EQ(requestCloses, 1);
  EXPECT_EQ(fake.Count("CloseHandle"), 3);
}

}  // namespace
}  // namespace feed
