// What the web request derives from the raw header text of a response: the
// header text itself, the status text, the cookies the server set (merged
// into the caller's cookie string when the caller gave one) and the redirect
// target.
//
// Runs on the web request's thread and lets that thread's pending window
// messages be processed once per header line. Never fails: malformed lines
// are carried through, not rejected.

#ifndef FEED_COLLECTOR_WEB_RESPONSE_HEADERS_H_
#define FEED_COLLECTOR_WEB_RESPONSE_HEADERS_H_

#include "text/bytes.h"
#include "text/text_primitives.h"

namespace feed {

// |rawHeaders| is the response's raw header text as the HTTP service reports
// it: UTF-16LE code units (read up to the first NUL), the status line, one
// line per header, each ending in "\r\n", and an empty line at the end.
//
// Writes, always:
// - |*responseHeaders|: the text converted to code page 936, with every
//   "Set-Cookie" in any letter case rewritten as "Set-Cookie";
// - |*statusText|: the status line from byte 10 (just after the protocol
//   word and its blank) up to the first "\r\n" at or after it, e.g. "200 OK";
//   empty when there is no such "\r\n";
// - |*newCookies|: appended to, not cleared. For every line holding
//   "Set-Cookie", its value (the text between "Set-Cookie:" and the first
//   ";" after it when the line holds a ";", otherwise the line with every
//   "Set-Cookie:" removed, trimmed of blanks) followed by "; "; the last
//   "; " appended is then dropped, so a caller's own text in |*newCookies|
//   is never shortened;
// - |*redirectTarget|: the rest of the last line that starts with
//   "Location: " in any letter case; left as it was when there is none.
//
// |cookies| is the caller's cookie variable, or null when the caller gave
// none. When given, |*newCookies| is merged into it with MergeCookies, which
// also leaves |*newCookies| without blanks. When null, nothing is merged.
// The other four pointers must not be null.
void ProcessResponseHeaders(const Bytes& rawHeaders, Text* cookies,
                            Text* newCookies, Text* responseHeaders,
                            Text* statusText, Text* redirectTarget);

}  // namespace feed

#endif  // FEED_COLLECTOR_WEB_RESPONSE_HEADERS_H_
