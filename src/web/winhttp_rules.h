// WinHTTP's rules for splitting a URL into its components and for choosing
// the proxy of a request from a named-proxy list, for the HTTP services that
// do not sit on WinHTTP itself.
//
// Pure functions; any thread.

#ifndef FEED_COLLECTOR_WEB_WINHTTP_RULES_H_
#define FEED_COLLECTOR_WEB_WINHTTP_RULES_H_

#include <string>
#include <string_view>

#include "web/http_service.h"

namespace feed {

// Locates the parts of |url| as WinHttpCrackUrl does when asked for scheme,
// host name, URL path and extra information:
//   scheme "://" [user [":" password] "@"] host [":" port] [path] [extra]
// The scheme is "http" or "https" in any letter case; the host ends at the
// first "/", "?" or "#" (a bracketed IPv6 address keeps its brackets); the
// path runs from its "/" up to the first "?" or "#", and the extra
// information from there to the end. The port is the scheme's default (80,
// 443) when the URL names none. False for any other scheme, a missing "//",
// an empty host, or a port that is not a number from 0 to 65535.
bool CrackWinHttpUrl(std::u16string_view url, UrlComponents* components);

// The proxy that a named-proxy list gives a request with the scheme
// "http" or "https": entries are separated by ";" or blanks, each written
// "[scheme=][http://]host[:port]". The first entry for the request's scheme
// wins, otherwise the first entry without a scheme; an entry for another
// scheme never applies. Returns "host:port" (port 80 when the entry names
// none), or the empty string when no entry applies.
std::string ChooseProxy(std::string_view proxyList, bool secure);

}  // namespace feed

#endif  // FEED_COLLECTOR_WEB_WINHTTP_RULES_H_
