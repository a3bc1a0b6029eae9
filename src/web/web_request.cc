#include "web/web_request.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "text/code_page.h"
#include "web/body_length_check.h"
#include "web/charset_step.h"
#include "web/regex_matcher.h"
#include "web/request_headers.h"
#include "web/response_headers.h"

namespace feed {
namespace {

// The error texts, code page 936 bytes.
// 700 当前系统不支持WinHttp服务!
const char kNoWinHttp[] =
    "700 \xB5\xB1\xC7\xB0\xCF\xB5\xCD\xB3\xB2\xBB\xD6\xA7\xB3\xD6WinHttp\xB7"
    "\xFE\xCE\xF1!";
// 701 解析URL地址失败!
const char kBadUrl[] = "701 \xBD\xE2\xCE\xF6URL\xB5\xD8\xD6\xB7\xCA\xA7\xB0\xDC!";
// 702 创建WinHttp会话失败!
const char kNoSession[] =
    "702 \xB4\xB4\xBD\xA8WinHttp\xBB\xE1\xBB\xB0\xCA\xA7\xB0\xDC!";
// 703 创建WinHttp连接失败!
const char kNoConnection[] =
    "703 \xB4\xB4\xBD\xA8WinHttp\xC1\xAC\xBD\xD3\xCA\xA7\xB0\xDC!";
// 704 创建WinHttp请求失败!
const char kNoRequest[] =
    "704 \xB4\xB4\xBD\xA8WinHttp\xC7\xEB\xC7\xF3\xCA\xA7\xB0\xDC!";
// 705 设置超时时间失败!
const char kTimeoutsFailed[] =
    "705 \xC9\xE8\xD6\xC3\xB3\xAC\xCA\xB1\xCA\xB1\xBC\xE4\xCA\xA7\xB0\xDC!";
// 707 设置代理凭证失败! (for the server's credentials too)
const char kCredentialsFailed[] =
    "707 \xC9\xE8\xD6\xC3\xB4\xFA\xC0\xED\xC6\xBE\xD6\xA4\xCA\xA7\xB0\xDC!";
// 708 禁止自动设置Cookies失败!
const char kCookieOptionFailed[] =
    "708 \xBD\xFB\xD6\xB9\xD7\xD4\xB6\xAF\xC9\xE8\xD6\xC3"
    "Cookies\xCA\xA7\xB0\xDC!";
// 709 重定向设置失败!
const char kRedirectOptionFailed[] =
    "709 \xD6\xD8\xB6\xA8\xCF\xF2\xC9\xE8\xD6\xC3\xCA\xA7\xB0\xDC!";
// 710 设置协议头失败!
const char kHeadersFailed[] =
    "710 \xC9\xE8\xD6\xC3\xD0\xAD\xD2\xE9\xCD\xB7\xCA\xA7\xB0\xDC!";
// 711 发送请求失败!
const char kSendFailed[] = "711 \xB7\xA2\xCB\xCD\xC7\xEB\xC7\xF3\xCA\xA7\xB0\xDC!";
// 712 服务器未响应!
const char kNoResponse[] = "712 \xB7\xFE\xCE\xF1\xC6\xF7\xCE\xB4\xCF\xEC\xD3\xA6!";

const char* const kVerbs[] = {"GET", "POST", "HEAD", "PUT"};

// The UTF-16 code units [offset, offset + length) of |wide|, without a
// terminator.
Bytes Units(const Bytes& wide, const UrlPart& part) {
  size_t begin = static_cast<size_t>(std::max(part.offset, 0)) * 2;
  size_t count = static_cast<size_t>(std::max(part.length, 0)) * 2;
  if (begin >= wide.size()) return Bytes();
  return Bytes(wide.view().substr(begin, count));
}

// Code units without the terminator that GbkToUtf16 appends.
uint32_t UnitCount(const Bytes& wide) {
  return wide.size() < 2 ? 0 : static_cast<uint32_t>(wide.size() / 2 - 1);
}

int TimeoutMilliseconds(int timeoutSeconds) {
  if (timeoutSeconds <= 0) return 30000;
  int64_t ms = static_cast<int64_t>(timeoutSeconds) * 1000;
  return static_cast<int>(std::min<int64_t>(ms, INT32_MAX));
}

// The working state of one call. Out parameters the caller did not give
// point at scratch values of the call.
class Exchange {
 public:
  Exchange(HttpService& http, const Text& url, int method, const Text& body,
           Text* cookies, Text* newCookies, const Text& requestHeaders,
           Text* responseHeaders, bool noRedirect, const Text& user,
           const Text& password, const Text& proxy, const Text& proxyUser,
           const Text& proxyPassword, int timeoutSeconds,
           Text* redirectTarget, Text* statusText, Bytes* responseBody,
           const StopSignal* stop)
      : http_(http),
        url_(url),
        method_(method),
        body_(body),
        cookies_(cookies),
        newCookies_(newCookies ? newCookies : &scratchNewCookies_),
        requestHeaders_(requestHeaders),
        responseHeaders_(responseHeaders ? responseHeaders
                                         : &scratchResponseHeaders_),
        noRedirect_(noRedirect),
        user_(user),
        password_(password),
        proxy_(proxy),
        proxyUser_(proxyUser),
        proxyPassword_(proxyPassword),
        timeoutSeconds_(timeoutSeconds),
        redirectTarget_(redirectTarget ? redirectTarget
                                       : &scratchRedirectTarget_),
        statusText_(statusText ? statusText : &scratchStatusText_),
        responseBody_(responseBody ? responseBody : &scratchResponseBody_),
        stop_(stop) {}

  Text Run();

 private:
  enum class Exit { kNormal, kEarly };

  Exit Steps();
  void ReadBody();
  bool ReadRawHeaders(Bytes* raw);
  Exit Fail(const char* error, Exit exit) {
    *statusText_ = Text(error);
    return exit;
  }
  // A stage entered after the platform test: the way out through the
  // normal exit lets waiting messages be processed once for it.
  void Enter() { ++stages_; }
  void CloseHandles();

  RegexMatcher matcher_;  // first in, last out
  HttpService& http_;
  const Text& url_;
  const int method_;
  const Text& body_;
  Text* const cookies_;  // null: not given
  Text* const newCookies_;
  const Text& requestHeaders_;
  Text* const responseHeaders_;
  const bool noRedirect_;
  const Text& user_;
  const Text& password_;
  const Text& proxy_;
  const Text& proxyUser_;
  const Text& proxyPassword_;
  const int timeoutSeconds_;
  Text* const redirectTarget_;
  Text* const statusText_;
  Bytes* const responseBody_;
  const StopSignal* const stop_;

  Text scratchNewCookies_, scratchResponseHeaders_, scratchRedirectTarget_,
      scratchStatusText_;
  Bytes scratchResponseBody_;

  HttpHandle session_ = nullptr;
  HttpHandle connection_ = nullptr;
  HttpHandle request_ = nullptr;
  // Set on the stopping thread when it closed the request.
  std::atomic<bool> requestClosedByStop_{false};
  std::optional<StopSignal::Subscription> stopSubscription_;
  int stages_ = 0;

  std::string bodyRead_;
  bool readBroken_ = false;
  Text replyText_;
};

Text Exchange::Run() {
  // Step 1: set-up. The regular-expression object (matcher_) came with
  // the call and holds this thread in COM until the call is over.
  Exit exit = Steps();
  stopSubscription_.reset();  // the stopping thread is done with us
  if (exit == Exit::kNormal) {
    for (int i = 0; i < stages_; ++i) http_.ProcessEvents();
  }
  CloseHandles();
  return replyText_;
}

void Exchange::CloseHandles() {
  if (!requestClosedByStop_.load()) http_.CloseHandle(request_);
  http_.CloseHandle(connection_);
  http_.CloseHandle(session_);
}

Exchange::Exit Exchange::Steps() {
  if (!http_.CheckPlatform()) return Fail(kNoWinHttp, Exit::kNormal);

  // Step 2: parse the URL.
  Enter();
  Bytes wideUrl = GbkToUtf16(url_);
  UrlComponents parts;
  if (!http_.CrackUrl(wideUrl, UnitCount(wideUrl), 0, &parts))
    return Fail(kBadUrl, Exit::kNormal);
  Text host = Utf16ToGbk(Units(wideUrl, parts.hostName));
  Bytes objectName;
  if (parts.urlPath.length < 1) {
    objectName = GbkToUtf16(Text("/"));  // and the query is not sent
  } else {
    objectName = ConcatBytes(Units(wideUrl, parts.urlPath),
                             Units(wideUrl, parts.extraInfo), BlankBytes(2));
  }
  bool secure = parts.scheme == kSchemeHttps;

  // Step 3: the session.
  Enter();
  uint32_t accessType =
      proxy_.empty() ? kAccessTypeNoProxy : kAccessTypeNamedProxy;
  Text proxyName = proxy_;
  if (!proxy_.empty() && !secure) proxyName = ConcatText("http=", proxy_);
  session_ = http_.Open(Bytes(), accessType, GbkToUtf16(proxyName), Bytes(), 0);
  if (session_ == nullptr) return Fail(kNoSession, Exit::kNormal);

  // Step 4: the connection.
  Enter();
  connection_ = http_.Connect(session_, GbkToUtf16(host), parts.port);
  if (connection_ == nullptr) return Fail(kNoConnection, Exit::kNormal);

  // Steps 5 and 6: the verb and the request.
  Enter();
  bool knownMethod = method_ >= kMethodGet && method_ <= kMethodPut;
  Text verb = kVerbs[knownMethod ? method_ : kMethodGet];
  request_ = http_.OpenRequest(connection_, GbkToUtf16(verb), objectName,
                               Bytes(), Bytes(), {}, secure ? kFlagSecure : 0);
  if (request_ == nullptr) return Fail(kNoRequest, Exit::kNormal);
  if (stop_ != nullptr) {
    stopSubscription_.emplace(stop_->Subscribe([this] {
      http_.CloseHandle(request_);
      requestClosedByStop_.store(true);
    }));
  }

  // Step 7: time-outs.
  Enter();
  int timeout = TimeoutMilliseconds(timeoutSeconds_);
  if (!http_.SetTimeouts(request_, timeout, timeout, timeout, timeout))
    return Fail(kTimeoutsFailed, Exit::kNormal);

  // Steps 8 and 9: credentials, each pair only when it is complete.
  if (!user_.empty() && !password_.empty()) {
    Enter();
    if (!http_.SetCredentials(request_, kAuthTargetServer, kAuthSchemeBasic,
                              GbkToUtf16(user_), GbkToUtf16(password_)))
      return Fail(kCredentialsFailed, Exit::kEarly);
  }
  if (!proxyUser_.empty() && !proxyPassword_.empty()) {
    Enter();
    if (!http_.SetCredentials(request_, kAuthTargetProxy, kAuthSchemeBasic,
                              GbkToUtf16(proxyUser_),
                              GbkToUtf16(proxyPassword_)))
      return Fail(kCredentialsFailed, Exit::kEarly);
  }

  // Step 10: WinHTTP's own cookies go off when the caller keeps none; with
  // a cookie string they stay at their default.
  Enter();
  bool cookieOption =
      cookies_ == nullptr
          ? http_.SetOption(request_, kOptionDisableFeature, kDisableCookies)
          : http_.SetOption(request_, kOptionEnableFeature,
                            kEnableSslRevocation);
  if (!cookieOption) return Fail(kCookieOptionFailed, Exit::kEarly);

  // Step 11: redirects.
  if (noRedirect_) {
    Enter();
    if (!http_.SetOption(request_, kOptionDisableFeature, kDisableRedirects))
      return Fail(kRedirectOptionFailed, Exit::kEarly);
  }

  // Step 12: the header block.
  Enter();
  Bytes headerBlock = GbkToUtf16(
      BuildRequestHeaders(requestHeaders_, cookies_ ? *cookies_ : Text()));
  if (!http_.AddRequestHeaders(request_, headerBlock, UnitCount(headerBlock),
                               kAddRequestFlagAdd | kAddRequestFlagReplace))
    return Fail(kHeadersFailed, Exit::kNormal);

  // Step 13: send the body's bytes as they are.
  Enter();
  Bytes bodyBytes = TextToBytes(body_);
  uint32_t bodyLength = static_cast<uint32_t>(bodyBytes.size());
  if (!http_.SendRequest(request_, Bytes(), 0, bodyBytes, bodyLength,
                         bodyLength, 0))
    return Fail(kSendFailed, Exit::kNormal);

  // Step 14: the response.
  Enter();
  if (!http_.ReceiveResponse(request_)) return Fail(kNoResponse, Exit::kNormal);

  // Steps 15 to 19: the body, the headers and the reply text.
  Enter();
  ReadBody();
  // Step 16: without the raw headers the call ends here, empty-handed.
  Bytes rawHeaders;
  if (!ReadRawHeaders(&rawHeaders)) return Exit::kNormal;

  // Step 17: status text, cookies and redirect target.
  ProcessResponseHeaders(rawHeaders, cookies_, newCookies_, responseHeaders_,
                         statusText_, redirectTarget_);
  // A body that broke off, or that is shorter than announced (some services
  // end a cut body quietly), keeps the read error visible.
  if (readBroken_ ||
      BodyShorterThanAnnounced(*responseHeaders_,
                               static_cast<int64_t>(bodyRead_.size()),
                               method_ == kMethodHead)) {
    *statusText_ = Text(kBodyReadFailedStatus);
  }

  // Step 18: the body as received, and as text up to its first zero byte.
  Bytes receivedBody(std::move(bodyRead_));
  *responseBody_ = receivedBody;
  replyText_ = BytesToText(receivedBody);

  // Step 19: the charset the reply declares, inside COM of its own.
  http_.CoInitialize();
  ApplyDeclaredCharset(matcher_, receivedBody, replyText_);
  http_.CoUninitialize();
  return Exit::kNormal;
}

// Step 15. A failed query for data counts as a broken read as much as a
// failed read does: it is how a connection lost in mid-body shows.
void Exchange::ReadBody() {
  while (true) {
    uint32_t available = 0;
    if (!http_.QueryDataAvailable(request_, &available)) {
      *statusText_ = Text(kBodyReadFailedStatus);
      readBroken_ = true;
      return;
    }
    if (available < 1) return;
    std::vector<char> buffer(available, '\0');
    uint32_t read = 0;
    if (!http_.ReadData(request_, buffer.data(), available, &read)) {
      *statusText_ = Text(kBodyReadFailedStatus);
      readBroken_ = true;
      return;
    }
    bodyRead_.append(buffer.data(), std::min(read, available));
  }
}

// A first query learns the size, a second reads the text.
bool Exchange::ReadRawHeaders(Bytes* raw) {
  uint32_t size = 0;
  uint32_t index = 0;
  http_.QueryHeaders(request_, kQueryRawHeadersCrlf, Bytes(), nullptr, &size,
                     &index);
  std::vector<char> buffer(size, '\0');
  index = 0;
  if (!http_.QueryHeaders(request_, kQueryRawHeadersCrlf, Bytes(),
                          buffer.empty() ? nullptr : buffer.data(), &size,
                          &index))
    return false;
  *raw = Bytes(std::string_view(buffer.data(), buffer.size()));
  return true;
}

}  // namespace

Text WebRequest(const Text& url, int method, const Text& body, Text* cookies,
                Text* newCookies, const Text& requestHeaders,
                Text* responseHeaders, bool noRedirect, const Text& user,
                const Text& password, const Text& proxy,
                const Text& proxyUser, const Text& proxyPassword,
                int timeoutSeconds, Text* redirectTarget, Text* statusText,
                Bytes* responseBody, const StopSignal* stop,
                HttpService* service) {
  Exchange exchange(service ? *service : SystemHttpService(), url, method,
                    body, cookies, newCookies, requestHeaders,
                    responseHeaders, noRedirect, user, password, proxy,
                    proxyUser, proxyPassword, timeoutSeconds, redirectTarget,
                    statusText, responseBody, stop);
  return exchange.Run();
}

}  // namespace feed
