// The system's HTTP service against the local test server: libcurl
// natively, WinHTTP under Wine. The web request relies on both behaving
// alike in what is tested here.

#include "web/http_service.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/fake_http_service.h"
#include "tests/support/http_test_server.h"
#include "tests/support/wine.h"

namespace feed {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

struct Credentials {
  uint32_t target;
  std::string user;
  std::string password;
};

struct Options {
  std::string verb = "GET";
  std::string body;
  std::string headers;  // lines separated by CR LF
  std::string proxy;    // named proxy list; empty: none
  int timeout = 5000;   // ms, for all four
  std::vector<std::pair<uint32_t, uint32_t>> options;
  std::vector<Credentials> credentials;
  // When above zero, another thread closes the request handle this long
  // after the request was sent.
  milliseconds closeAfter{0};
};

struct Outcome {
  std::string failedAt;  // the call that failed; empty when none did
  std::string headers;   // raw headers, one byte per code unit
  std::string body;      // the bytes read, also when reading failed
  milliseconds elapsed{0};
};

std::string Narrow(const std::vector<char>& utf16) {
  std::string out;
  for (size_t i = 0; i + 1 < utf16.size(); i += 2) {
    if (utf16[i] == 0 && utf16[i + 1] == 0) break;
    out += utf16[i];
  }
  return out;
}

// One exchange over the system's service, step by step as the web request
// makes it.
Outcome Perform(const std::string& url, const Options& o) {
  HttpService& http = SystemHttpService();
  Outcome out;
  Clock::time_point start = Clock::now();
  HttpHandle session = nullptr, connection = nullptr, request = nullptr;
  std::thread closer;
  auto step = [&](const char* name, bool ok) {
    if (!ok && out.failedAt.empty()) out.failedAt = name;
    return ok;
  };
  [&] {
    UrlComponents parts;
    if (!step("CrackUrl", http.CrackUrl(WideBytes(url),
                                        static_cast<uint32_t>(url.size()), 0,
                                        &parts)))
      return;
    std::string host = url.substr(static_cast<size_t>(parts.hostName.offset),
                                  static_cast<size_t>(parts.hostName.length));
    std::string object = parts.urlPath.length < 1
                             ? "/"
                             : url.substr(static_cast<size_t>(parts.urlPath.offset));
    bool secure = parts.scheme == kSchemeHttps;
    session = http.Open(Bytes(),
                        o.proxy.empty() ? kAccessTypeNoProxy : kAccessTypeNamedProxy,
                        o.proxy.empty() ? Bytes() : WideBytes(o.proxy), Bytes(), 0);
    if (!step("Open", session != nullptr)) return;
    connection = http.Connect(session, WideBytes(host), parts.port);
    if (!step("Connect", connection != nullptr)) return;
    request = http.OpenRequest(connection, WideBytes(o.verb), WideBytes(object),
                               Bytes(), Bytes(), {}, secure ? kFlagSecure : 0);
    if (!step("OpenRequest", request != nullptr)) return;
    if (!step("SetTimeouts", http.SetTimeouts(request, o.timeout, o.timeout,
                                              o.timeout, o.timeout)))
      return;
    for (const Credentials& c : o.credentials) {
      if (!step("SetCredentials",
                http.SetCredentials(request, c.target, kAuthSchemeBasic,
                                    WideBytes(c.user), WideBytes(c.password))))
        return;
    }
    for (auto [option, value] : o.options) {
      if (!step("SetOption", http.SetOption(request, option, value))) return;
    }
    if (!o.headers.empty() &&
        !step("AddRequestHeaders",
              http.AddRequestHeaders(request, WideBytes(o.headers),
                                     static_cast<uint32_t>(o.headers.size()),
                                     kAddRequestFlagAdd | kAddRequestFlagReplace)))
      return;
    if (o.closeAfter.count() > 0) {
      closer = std::thread([&http, request, after = o.closeAfter] {
        std::this_thread::sleep_for(after);
        http.CloseHandle(request);
      });
    }
    Bytes body(o.body);
    uint32_t length = static_cast<uint32_t>(o.body.size());
    if (!step("SendRequest", http.SendRequest(request, Bytes(), 0, body, length,
                                              length, 0)))
      return;
    if (!step("ReceiveResponse", http.ReceiveResponse(request))) return;
    while (true) {
      uint32_t available = 0;
      if (!step("QueryDataAvailable", http.QueryDataAvailable(request, &available)))
        break;
      if (available < 1) break;
      std::string buffer(available, '\0');
      uint32_t read = 0;
      if (!step("ReadData", http.ReadData(request, buffer.data(), available, &read)))
        break;
      out.body.append(buffer, 0, read);
    }
    uint32_t size = 0, index = 0;
    http.QueryHeaders(request, kQueryRawHeadersCrlf, Bytes(), nullptr, &size,
                      &index);
    std::vector<char> raw(size);
    if (step("QueryHeaders", http.QueryHeaders(request, kQueryRawHeadersCrlf,
                                               Bytes(), raw.data(), &size, &index)))
      out.headers = Narrow(raw);
  }();
  out.elapsed = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
  if (closer.joinable()) {
    closer.join();
  } else {
    http.CloseHandle(request);
  }
  http.CloseHandle(connection);
  http.CloseHandle(session);
  return out;
}

std::string Url(const std::string& path) {
  return TestServerUrl(path).str();
}

class HttpServiceTest : public TestServerTest {};

TEST_F(HttpServiceTest, GetReturnsRawHeadersAndBody) {
  Options o;
  o.headers = "X-One: 1\r\nX-Two: two";
  Outcome out = Perform(Url("/echo?a=1"), o);
  ASSERT_EQ(out.failedAt, "");
  EXPECT_EQ(out.headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << out.headers;
  EXPECT_NE(out.headers.find("\r\nContent-Length: " +
                             std::to_string(out.body.size()) + "\r\n"),
            std::string::npos);
  EXPECT_EQ(out.headers.substr(out.headers.size() - 4), "\r\n\r\n");
  // The body is the request as the server read it.
  EXPECT_EQ(out.body.rfind("GET /echo?a=1 HTTP/1.1\r\n", 0), 0u) << out.body;
  EXPECT_NE(out.body.find("\r\nX-One: 1\r\nX-Two: two\r\n"), std::string::npos);
  EXPECT_EQ(out.body.find("User-Agent"), std::string::npos);
}

TEST_F(HttpServiceTest, PostSendsTheBodyBytes) {
  Options o;
  o.verb = "POST";
  o.body = std::string("a=1&b=\x01\x80\xff", 9);
  Outcome out = Perform(Url("/echo"), o);
  ASSERT_EQ(out.failedAt, "");
  EXPECT_EQ(out.body.rfind("POST /echo HTTP/1.1\r\n", 0), 0u);
  EXPECT_NE(out.body.find("\r\nContent-Length: 9\r\n"), std::string::npos);
  EXPECT_EQ(out.body.substr(out.body.size() - 13), "\r\n\r\n" + o.body);
}

TEST_F(HttpServiceTest, PostSendsALargeBodyWhole) {
  Options o;
  o.verb = "POST";
  for (int i = 0; i < 300000; ++i) o.body += static_cast<char>('a' + i % 26);
  Outcome out = Perform(Url("/echo"), o);
  ASSERT_EQ(out.failedAt, "");
  ASSERT_GT(out.body.size(), o.body.size());
  EXPECT_EQ(out.body.substr(out.body.size() - o.body.size()), o.body);
}

TEST_F(HttpServiceTest, HeadGetsHeadersOnly) {
  Options o;
  o.verb = "HEAD";
  Outcome out = Perform(Url("/json"), o);
  ASSERT_EQ(out.failedAt, "");
  EXPECT_EQ(out.headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
  EXPECT_EQ(out.body, "");
}

TEST_F(HttpServiceTest, RepeatedSetCookieLinesStaySeparate) {
  Outcome out = Perform(Url("/set-cookie"), Options());
  ASSERT_EQ(out.failedAt, "");
  EXPECT_NE(out.headers.find("\r\nSet-Cookie: a=1; Path=/; HttpOnly\r\n"
                             "Set-Cookie: b=2\r\n"),
            std::string::npos)
      << out.headers;
}

TEST_F(HttpServiceTest, FollowsRedirectsWithTheirCookies) {
  Outcome out = Perform(Url("/redirect?to=/echo"), Options());
  ASSERT_EQ(out.failedAt, "");
  // Only the final response is reported.
  EXPECT_EQ(out.headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << out.headers;
  EXPECT_EQ(out.headers.find("Location"), std::string::npos);
  EXPECT_EQ(out.body.rfind("GET /echo HTTP/1.1\r\n", 0), 0u) << out.body;
  EXPECT_NE(out.body.find("\r\nCookie: r=1\r\n"), std::string::npos)
      << out.body;
}

TEST_F(HttpServiceTest, DisabledCookiesAreNotCarriedAcrossRedirects) {
  Options o;
  o.options = {{kOptionDisableFeature, kDisableCookies}};
  Outcome out = Perform(Url("/redirect?to=/echo"), o);
  ASSERT_EQ(out.failedAt, "");
  EXPECT_EQ(out.body.rfind("GET /echo HTTP/1.1\r\n", 0), 0u) << out.body;
  EXPECT_EQ(out.body.find("Cookie"), std::string::npos) << out.body;
}

TEST_F(HttpServiceTest, DisabledRedirectsReturnTheRedirect) {
  Options o;
  o.options = {{kOptionDisableFeature, kDisableRedirects}};
  Outcome out = Perform(Url("/redirect?to=/elsewhere"), o);
  ASSERT_EQ(out.failedAt, "");
  EXPECT_EQ(out.headers.rfind("HTTP/1.1 302 Found\r\n", 0), 0u);
  EXPECT_NE(out.headers.find("\r\nLocation: /elsewhere\r\n"), std::string::npos);
  EXPECT_EQ(out.body, "moved");
}

TEST_F(HttpServiceTest, RevocationOptionIsAccepted) {
  Options o;
  o.options = {{kOptionEnableFeature, kEnableSslRevocation}};
  EXPECT_EQ(Perform(Url("/json"), o).failedAt, "");
}

TEST_F(HttpServiceTest, SendsBasicCredentials) {
  Options o;
  EXPECT_EQ(Perform(Url("/auth"), o).headers.rfind("HTTP/1.1 401", 0), 0u);
  o.credentials = {{kAuthTargetServer, "user", "pass"}};
  Outcome out = Perform(Url("/auth"), o);
  ASSERT_EQ(out.failedAt, "");
  EXPECT_EQ(out.body, "welcome");
}

// The test server answers proxy requests itself with the request it got, so
// the made-up host is never looked up.
TEST_F(HttpServiceTest, GoesThroughANamedProxyWithItsCredentials) {
  Options o;
  o.proxy = TestServerAddress();
  o.credentials = {{kAuthTargetProxy, "pu", "pp"}};
  Outcome out = Perform("http://feed.invalid:8080/private?x=1", o);
  ASSERT_EQ(out.failedAt, "");
  EXPECT_EQ(out.body.rfind("GET http://feed.invalid:8080/private?x=1 HTTP/1.1\r\n",
                           0),
            0u)
      << out.body;
  // "pu:pp" in base64.
  EXPECT_NE(out.body.find("\r\nProxy-Authorization: Basic cHU6cHA=\r\n"),
            std::string::npos)
      << out.body;
}

TEST_F(HttpServiceTest, TakesTheProxyNamedForTheScheme) {
  if (RunningUnderWine()) {
    GTEST_SKIP() << "Wine's WinHTTP takes a \"scheme=\" prefix for part of "
                    "the proxy's host name";
  }
  Options o;
  o.proxy = "https=192.0.2.1:9 http=" + TestServerAddress();
  Outcome out = Perform("http://feed.invalid/list", o);
  ASSERT_EQ(out.failedAt, "");
  EXPECT_EQ(out.body.rfind("GET http://feed.invalid/list HTTP/1.1\r\n", 0), 0u)
      << out.body;

  // A list with a proxy for https only means a direct connection for http.
  o.proxy = "https=192.0.2.1:9";
  out = Perform(Url("/echo"), o);
  ASSERT_EQ(out.failedAt, "");
  EXPECT_EQ(out.body.rfind("GET /echo HTTP/1.1\r\n", 0), 0u);
}

TEST_F(HttpServiceTest, ABodyWithAZeroByteArrivesWhole) {
  Outcome out = Perform(Url("/zero"), Options());
  ASSERT_EQ(out.failedAt, "");
  EXPECT_EQ(out.body, std::string("abc\0def", 7));
}

TEST_F(HttpServiceTest, ALargeBodyArrivesWhole) {
  Outcome out = Perform(Url("/large?n=300000"), Options());
  ASSERT_EQ(out.failedAt, "");
  ASSERT_EQ(out.body.size(), 300000u);
  for (size_t i = 0; i < out.body.size(); i += 997) {
    ASSERT_EQ(static_cast<unsigned char>(out.body[i]), i % 256) << i;
  }
}

TEST_F(HttpServiceTest, ABodyCutShortFailsAfterItsBytes) {
  for (const char* path : {"/short", "/short-chunked", "/reset"}) {
    Outcome out = Perform(Url(path), Options());
    EXPECT_EQ(out.body, "0123456789") << path;
    EXPECT_NE(out.headers, "") << path;
    if (!RunningUnderWine()) {
      // Wine's WinHTTP ends such a body quietly, as if it were complete.
      EXPECT_EQ(out.failedAt, "QueryDataAvailable") << path;
    }
  }
}

TEST_F(HttpServiceTest, AServerThatNeverAnswersTimesOut) {
  Options o;
  o.timeout = 1000;
  Outcome out = Perform(Url("/stall"), o);
  EXPECT_EQ(out.failedAt, "ReceiveResponse");
  EXPECT_GE(out.elapsed, milliseconds(900));
  EXPECT_LT(out.elapsed, milliseconds(3000));
}

TEST_F(HttpServiceTest, ABodyThatStallsTimesOut) {
  Options o;
  o.timeout = 1000;
  Outcome out = Perform(Url("/stall-body"), o);
  EXPECT_EQ(out.failedAt, "QueryDataAvailable");
  EXPECT_EQ(out.body, "0123456789");
  EXPECT_LT(out.elapsed, milliseconds(3000));
}

TEST_F(HttpServiceTest, ClosingTheRequestFromAnotherThreadBreaksItOff) {
  Options o;
  o.timeout = 20000;
  o.closeAfter = milliseconds(300);
  Outcome out = Perform(Url("/stall"), o);
  // Wine's WinHttpSendRequest already waits for the response.
  EXPECT_TRUE(out.failedAt == "SendRequest" || out.failedAt == "ReceiveResponse")
      << out.failedAt;
  EXPECT_LT(out.elapsed, milliseconds(3000));
}

TEST_F(HttpServiceTest, ARefusedConnectionFailsTheSend) {
  Outcome out = Perform("http://127.0.0.1:1/", Options());
  EXPECT_EQ(out.failedAt, "SendRequest");
}

}  // namespace
}  // namespace feed
