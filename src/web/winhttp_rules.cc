#include "web/winhttp_rules.h"

namespace feed {
namespace {

char16_t LowerAscii(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

UrlPart Part(size_t offset, size_t length) {
  return UrlPart{static_cast<int>(offset), static_cast<int>(length)};
}

// A port of one to five digits no larger than 65535.
bool ParsePort(std::u16string_view digits, int* port) {
  if (digits.empty() || digits.size() > 5) return false;
  int value = 0;
  for (char16_t c : digits) {
    if (c < u'0' || c > u'9') return false;
    value = value * 10 + (c - u'0');
  }
  if (value > 65535) return false;
  *port = value;
  return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// "host[:port]" with the port made explicit.
std::string WithPort(std::string_view server) {
  std::string_view host = server;
  std::string_view port;
  size_t colon = server.rfind(':');
  size_t bracket = server.rfind(']');
  if (colon != std::string_view::npos &&
      (bracket == std::string_view::npos || colon > bracket)) {
    host = server.substr(0, colon);
    port = server.substr(colon + 1);
  }
  if (host.empty()) return std::string();
  std::string out(host);
  out += ':';
  out += port.empty() ? std::string_view("80") : port;
  return out;
}

}  // namespace

bool CrackWinHttpUrl(std::u16string_view url, UrlComponents* components) {
  size_t colon = url.find(u':');
  if (colon == std::u16string_view::npos) return false;
  std::u16string_view scheme = url.substr(0, colon);
  UrlComponents out;
  if (EqualsIgnoringCase(scheme, u"http")) {
    out.scheme = kSchemeHttp;
    out.port = 80;
  } else if (EqualsIgnoringCase(scheme, u"https")) {
    out.scheme = kSchemeHttps;
    out.port = 443;
  } else {
    return false;
  }
  out.schemeName = Part(0, colon);
  if (url.substr(colon + 1, 2) != u"//") return false;

  size_t authorityStart = colon + 3;
  size_t authorityEnd = url.find_first_of(u"/?#", authorityStart);
  if (authorityEnd == std::u16string_view::npos) authorityEnd = url.size();
  std::u16string_view authority =
      url.substr(authorityStart, authorityEnd - authorityStart);

  // User name and password end at the last "@".
  size_t hostStart = authorityStart;
  size_t at = authority.rfind(u'@');
  if (at != std::u16string_view::npos) hostStart = authorityStart + at + 1;

  std::u16string_view hostAndPort =
      url.substr(hostStart, authorityEnd - hostStart);
  size_t hostLength = hostAndPort.size();
  size_t portColon = hostAndPort.rfind(u':');
  size_t bracket = hostAndPort.rfind(u']');
  if (portColon != std::u16string_view::npos &&
      (bracket == std::u16string_view::npos || portColon > bracket)) {
    hostLength = portColon;
    if (!ParsePort(hostAndPort.substr(portColon + 1), &out.port)) return false;
  }
  if (hostLength == 0) return false;
  out.hostName = Part(hostStart, hostLength);

  size_t extraStart = url.find_first_of(u"?#", authorityEnd);
  if (extraStart == std::u16string_view::npos) extraStart = url.size();
  out.urlPath = Part(authorityEnd, extraStart - authorityEnd);
  out.extraInfo = Part(extraStart, url.size() - extraStart);
  *components = out;
  return true;
}

std::string ChooseProxy(std::string_view proxyList, bool secure) {
  const std::string_view wanted = secure ? "https" : "http";
  std::string forScheme;
  std::string forAll;
  size_t i = 0;
  while (i < proxyList.size()) {
    while (i < proxyList.size() && (proxyList[i] == ';' || IsBlank(proxyList[i])))
      ++i;
    size_t end = i;
    while (end < proxyList.size() && proxyList[end] != ';' && !IsBlank(proxyList[end]))
      ++end;
    std::string_view entry = proxyList.substr(i, end - i);
    i = end;
    if (entry.empty()) continue;

    bool ownScheme = false;
    size_t equals = entry.find('=');
    if (equals != std::string_view::npos) {
      if (LowerAscii(entry.substr(0, equals)) != wanted) continue;
      ownScheme = true;
      entry.remove_prefix(equals + 1);
    }
    size_t slashes = entry.find("://");
    if (slashes != std::string_view::npos) entry.remove_prefix(slashes + 3);
    std::string server = WithPort(entry);
    if (server.empty()) continue;
    if (ownScheme && forScheme.empty()) forScheme = server;
    if (!ownScheme && forAll.empty()) forAll = server;
  }
  return forScheme.empty() ? forAll : forScheme;
}

}  // namespace feed
