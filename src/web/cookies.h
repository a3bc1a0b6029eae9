// Keeping a client's cookie string current across requests, and the small
// list routines the merge is built from.
//
// A cookie string is a Text of items separated by ";". On input any blanks
// may stand around or inside the items; a merged string separates its items
// by "; ", holds no blank inside an item and has no separator after the last
// item. An item is normally name=value, but any text between two separators
// counts as an item, the empty text included, and is carried through like
// any other. Names are compared byte for byte, letter case included.
//
// None of these routines fails or keeps state; they may run on any thread.
// Results are fresh values owned by the caller.

#ifndef FEED_COLLECTOR_WEB_COOKIES_H_
#define FEED_COLLECTOR_WEB_COOKIES_H_

#include "text/text_primitives.h"

namespace feed {

// Merges the cookies a response set (|newCookies|) into the cookies held so
// far (|oldCookies|). The merged string lists the items of |newCookies| in
// their order, then the items of |oldCookies| whose names |newCookies| does
// not hold (of several old items with one name only the first), leaves out
// every item whose last eight bytes are exactly "=deleted" (a response
// deletes a cookie that way), and keeps each item only at its first
// occurrence. Items of |newCookies| that share a name are all kept unless
// they are equal byte for byte.
//
// Both arguments are updated in place and must not be null: |*oldCookies|
// receives the merged string, |*newCookies| its own input with every blank
// removed. Returns a copy of the merged string.
Text MergeCookies(Text* oldCookies, Text* newCookies);

// The part of |item| before its first "=" (the whole item when it has none),
// with blanks trimmed from both ends.
Text CookieName(const Text& item);

// True when the CookieName of some element of |items| equals |name| exactly.
bool HasCookieName(const TextArray& items, const Text& name);

// |text| split at |separator|, each piece kept only at its first occurrence,
// joined again with |separator|. The empty text gives the empty text.
Text RemoveDuplicateItems(const Text& text, const Text& separator);

// The 1-based index of the first element of |items| equal to |text| byte for
// byte; -1 when none is.
int IndexOfText(const TextArray& items, const Text& text);

}  // namespace feed

#endif  // FEED_COLLECTOR_WEB_COOKIES_H_
