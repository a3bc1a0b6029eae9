// One complete HTTP or HTTPS exchange: the request goes out with a default
// header set and the caller's cookies, and the reply comes back as text,
// with its raw headers, status text, new cookies, redirect target and raw
// body in out parameters.
//
// Every call is self-contained: it opens its own session, connection and
// request on the HTTP service and closes them before it returns. It is
// synchronous, runs on the caller's thread and lets that thread's waiting
// window messages be processed between its stages. It raises nothing: a
// failed step writes one of the numbered error texts 700 to 713 to
// |statusText| and the result is empty, except when only reading the body
// failed (713), where the body read so far is returned.

#ifndef FEED_COLLECTOR_WEB_WEB_REQUEST_H_
#define FEED_COLLECTOR_WEB_WEB_REQUEST_H_

#include "text/bytes.h"
#include "text/stop_signal.h"
#include "text/text_primitives.h"
#include "web/http_service.h"

namespace feed {

// The status text left when reading the reply's body broke off, or the body
// came short of its announced length: "713 读取数据失败!".
inline constexpr char kBodyReadFailedStatus[] =
    "713 \xB6\xC1\xC8\xA1\xCA\xFD\xBE\xDD\xCA\xA7\xB0\xDC!";

// Methods: 0 GET, 1 POST, 2 HEAD, 3 PUT; any other value means GET.
inline constexpr int kMethodGet = 0;
inline constexpr int kMethodPost = 1;
inline constexpr int kMethodHead = 2;
inline constexpr int kMethodPut = 3;

// Inputs (Text in code page 936; omitted inputs are empty, 0 or false):
//   url             absolute http or https URL
//   method          see above
//   body            sent unchanged, without terminator
//   cookies         in/out; null means "not given". Given (even empty), it is
//                   sent as the Cookie header, WinHTTP's cookie handling
//                   stays on, and the cookies the reply sets are merged
//                   into it. Not given, WinHTTP's cookies are switched off.
//   requestHeaders  extra header lines separated by "\r\n"
//   noRedirect      true: redirects are not followed and the redirect
//                   reply itself is returned
//   user, password  basic credentials for the server, used only when both
//                   are given; proxyUser, proxyPassword the same for the
//                   proxy
//   proxy           proxy server ("host:port"); empty: a direct connection
//   timeoutSeconds  for every phase, the wait for the response headers
//                   included; below 1 means 30 s; the milliseconds are
//                   clamped to the largest 32-bit value
//   stop            when it is requested during the call, the exchange is
//                   broken off (the request is closed on the stopping
//                   thread) and the call returns as the failed step makes it
//   service         the HTTP service; null means SystemHttpService()
//
// Outputs: null means the caller does not want the value. Out parameters
// are not cleared on entry and are written only when their step is
// reached:
//   newCookies       appended to: the reply's Set-Cookie values joined by
//                    "; "
//   responseHeaders  the raw response header text
//   redirectTarget   the value of the last "Location: " header line
//   statusText       the status code and reason phrase ("200 OK"), or an
//                    error text. "713 读取数据失败!" stays when the body broke
//                    off, or arrived shorter than its Content-Length.
//   responseBody     the body exactly as received
//
// Result: the body up to its first zero byte, re-decoded into code page 936
// when its first 1024 bytes declare a charset in a meta tag; empty when the
// exchange did not complete.
Text WebRequest(const Text& url, int method = kMethodGet,
                const Text& body = Text(), Text* cookies = nullptr,
                Text* newCookies = nullptr,
                const Text& requestHeaders = Text(),
                Text* responseHeaders = nullptr, bool noRedirect = false,
                const Text& user = Text(), const Text& password = Text(),
                const Text& proxy = Text(), const Text& proxyUser = Text(),
                const Text& proxyPassword = Text(), int timeoutSeconds = 0,
                Text* redirectTarget = nullptr, Text* statusText = nullptr,
                Bytes* responseBody = nullptr,
                const StopSignal* stop = nullptr,
                HttpService* service = nullptr);

}  // namespace feed

#endif  // FEED_COLLECTOR_WEB_WEB_REQUEST_H_
