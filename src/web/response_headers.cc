#include "web/response_headers.h"

#include <optional>

#include "text/code_page.h"
#include "text/environment.h"
#include "text/marker_extraction.h"
#include "web/cookies.h"

namespace feed {
namespace {

const Text kLineEnd("\r\n");
const Text kSetCookie("Set-Cookie");
const Text kSetCookieColon("Set-Cookie:");
const Text kLocation("Location: ");
const Text kCookieSeparator("; ");

// The status line starts with the protocol word and a blank ("HTTP/1.1 ");
// the status code follows at this byte.
constexpr int kStatusStart = 10;

Text StatusText(const Text& headers) {
  int line_end = FindText(headers, kLineEnd, kStatusStart);
  if (line_end == -1) return Text();
  return TextMid(headers, kStatusStart, line_end - kStatusStart);
}

Text SetCookieValue(const Text& line) {
  Text value = FindText(line, ";") != -1
                   ? TextBetween(line, kSetCookieColon, ";")
                   : ReplaceText(line, kSetCookieColon, Text(), 0,
                                 std::nullopt, /*caseSensitive=*/false);
  return TrimBlanks(value);
}

bool IsLocationLine(const Text& line) {
  return CompareText(TextLeft(line, TextLength(kLocation)), kLocation,
                     /*caseSensitive=*/false) == 0;
}

}  // namespace

void ProcessResponseHeaders(const Bytes& rawHeaders, Text* cookies,
                            Text* newCookies, Text* responseHeaders,
                            Text* statusText, Text* redirectTarget) {
  *responseHeaders = Utf16ToGbk(rawHeaders);
  *statusText = StatusText(*responseHeaders);
  *responseHeaders = ReplaceText(*responseHeaders, kSetCookie, kSetCookie, 0,
                                 std::nullopt, /*caseSensitive=*/false);

  bool appended = false;
  for (const Text& line : SplitText(*responseHeaders, kLineEnd)) {
    if (FindText(line, kSetCookie) != -1) {
      *newCookies = ConcatText(*newCookies, SetCookieValue(line),
                               kCookieSeparator);
      appended = true;
    }
    if (IsLocationLine(line)) {
      *redirectTarget = TextMid(line, TextLength(kLocation) + 1,
                                TextLength(line) - TextLength(kLocation));
    }
    ProcessEvents();
  }
  // Only the separator this call put after its last value goes; a caller's
  // own text is left whole when the response set no cookie.
  if (appended) {
    *newCookies = TextLeft(*newCookies, TextLength(*newCookies) -
                                            TextLength(kCookieSeparator));
  }

  if (cookies != nullptr) MergeCookies(cookies, newCookies);
}

}  // namespace feed
