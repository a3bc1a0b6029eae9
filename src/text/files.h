// Whole-file reading and writing. File names are Text (code page 936) and
// use the backslash as the separator between directories on every platform;
// on POSIX systems the name is converted to UTF-8 and each backslash becomes
// a slash. Each call opens, reads or writes and closes the file: nothing is
// held between calls. Safe to call from several threads; calls on one file
// are not serialised here.

#ifndef FEED_COLLECTOR_TEXT_FILES_H_
#define FEED_COLLECTOR_TEXT_FILES_H_

#include <initializer_list>
#include <string_view>

#include "text/bytes.h"
#include "text/text_primitives.h"

namespace feed {

// The whole content of the file. Empty for an empty name, a file that does
// not exist or cannot be opened or read, and an empty file. When fewer bytes
// arrive than the file's length, the bytes that arrived. Others may read the
// file meanwhile but not write it.
Bytes ReadWholeFile(const Text& fileName);

// Creates or truncates the file and writes every non-empty part in order.
// While the file is open no other open of it succeeds (on Windows). False
// for an empty name, a file that cannot be opened, or a failed write (what
// was written stays). Only empty parts leave an empty file and give true.
bool WriteWholeFileParts(const Text& fileName,
                         std::initializer_list<std::string_view> parts);

template <typename... Parts>
bool WriteWholeFile(const Text& fileName, const Parts&... parts) {
  return WriteWholeFileParts(fileName, {parts.view()...});
}

}  // namespace feed

#endif  // FEED_COLLECTOR_TEXT_FILES_H_
