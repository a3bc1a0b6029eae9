// The header block added to every request: the caller's own header lines
// followed by a fixed set of default lines, each added only when the caller
// did not write that header, and a Cookie line made from the caller's cookie
// string.
//
// Pure and stateless; may run on any thread. Never fails.

#ifndef FEED_COLLECTOR_WEB_REQUEST_HEADERS_H_
#define FEED_COLLECTOR_WEB_REQUEST_HEADERS_H_

#include "text/text_primitives.h"

namespace feed {

// Returns |requestHeaders| followed by "\r\n" (nothing when it is empty),
// then, in this order, each default line whose header name is not found
// anywhere in the block built so far:
//
//   "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64;
//    Trident/5.0)" (one line), "Accept: text/html, application/xhtml+xml,
//   */*", "Accept-Encoding: gbk, GB2312", "Accept-Language: zh-cn",
//   "Content-Type: application/x-www-form-urlencoded",
//   "Cache-Control: no-cache", and "Cookie: " followed by |cookies|.
//
// Each line ends in "\r\n". The names are searched with their blank after
// the colon ("Accept: "), letter case ignored, except "Content-Type:", which
// is searched without the blank and with letter case respected, so a caller's
// "content-type:" line does not suppress the default. The Cookie line is
// added only when |cookies| is not empty. The caller's lines are neither
// inspected nor reordered. |cookies| is the cookie string the caller passed
// to the web request, empty when it passed none.
Text BuildRequestHeaders(const Text& requestHeaders, const Text& cookies);

}  // namespace feed

#endif  // FEED_COLLECTOR_WEB_REQUEST_HEADERS_H_
