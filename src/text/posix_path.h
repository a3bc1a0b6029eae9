// File names between Text (code page 936, backslash-separated) and the
// POSIX file system (UTF-8, slash-separated). POSIX builds only.

#ifndef FEED_COLLECTOR_TEXT_POSIX_PATH_H_
#define FEED_COLLECTOR_TEXT_POSIX_PATH_H_

#include <string>
#include <string_view>

#include "text/text_primitives.h"

namespace feed {

// The file-system form of |name|: UTF-8, each backslash a slash.
std::string PosixPath(const Text& name);

// The Text form of a file-system path (separators are kept as they are).
// What is not valid UTF-8, or has no code in code page 936, becomes "?".
Text TextFromPosixPath(std::string_view path);

}  // namespace feed

#endif  // FEED_COLLECTOR_TEXT_POSIX_PATH_H_
