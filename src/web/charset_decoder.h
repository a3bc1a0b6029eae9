// Decoding bytes in a character set into the program's own text.

#ifndef FEED_COLLECTOR_WEB_CHARSET_DECODER_H_
#define FEED_COLLECTOR_WEB_CHARSET_DECODER_H_

#include "text/bytes.h"
#include "text/text_primitives.h"

namespace feed {

// |data| decoded from |codePage| (one of KnownCharsets) and converted to
// code page 936, up to the first NUL character. Bytes that are not valid in
// the character set and characters that code page 936 lacks come out as
// replacement characters ("?"), never as an error. Empty when the code page
// cannot be decoded here. Pure; any thread.
//
// Windows decodes with MultiByteToWideChar. Elsewhere code pages 936 and
// 65001 go through the program's own converter, so they decode as they do
// on Windows, and the others through iconv.
Text DecodeCharset(const Bytes& data, int codePage);

}  // namespace feed

#endif  // FEED_COLLECTOR_WEB_CHARSET_DECODER_H_
