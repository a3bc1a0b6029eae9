// The web request's last step on a reply: when the reply's head declares a
// character set in an HTML meta tag, the reply is decoded with it.

#ifndef FEED_COLLECTOR_WEB_CHARSET_STEP_H_
#define FEED_COLLECTOR_WEB_CHARSET_STEP_H_

#include "text/bytes.h"
#include "text/text_primitives.h"
#include "web/regex_matcher.h"

namespace feed {

// Searches the first 1024 bytes of |replyText| (the reply as received, up
// to its first zero byte) for "<meta", then the nearest "charset=", at most
// one non-word character, and a name of letters, digits, "_" and "-" (letter
// case ignored; a name cut by the 1024-byte limit is taken as far as it
// goes). For a name of KnownCharsets, |replyText| becomes |body| decoded
// from that charset into code page 936. |replyText| stays as it is when no
// declaration is found, the name is unknown, or decoding gives nothing.
// Whenever the search ran, the calling thread's waiting window messages are
// dispatched (ProcessEvents) afterwards.
//
// Uses |matcher| (Create, then SubmatchText) and leaves the search's
// matches in it. Runs on the matcher's thread; COM must be entered there,
// which the matcher itself does.
void ApplyDeclaredCharset(RegexMatcher& matcher, const Bytes& body,
                          Text& replyText);

}  // namespace feed

#endif  // FEED_COLLECTOR_WEB_CHARSET_STEP_H_
