// The character sets a reply may declare that the program can decode, by
// name, with the Windows code page that decodes each. One table serves
// every platform; the decoders map the code pages to their own means.

#ifndef FEED_COLLECTOR_WEB_CHARSET_NAMES_H_
#define FEED_COLLECTOR_WEB_CHARSET_NAMES_H_

#include <span>

#include "text/text_primitives.h"

namespace feed {

struct CharsetName {
  const char* name;  // lower case, as declared in HTML
  int codePage;
};

// Every known name, aliases included.
std::span<const CharsetName> KnownCharsets();

// The code page for a declared |name|, ignoring ASCII letter case; 0 when
// the name is not known.
int CodePageOfCharset(const Text& name);

}  // namespace feed

#endif  // FEED_COLLECTOR_WEB_CHARSET_NAMES_H_
