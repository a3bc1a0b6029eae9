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

// What an attempt to read a whole file found.
enum class FileReadStatus {
  kRead,        // the bytes are the file's whole content
  kMissing,     // neither the file nor (some of) its directories exist
  kUnreadable,  // it exists but could not be opened or read (a directory,
                // no permission, held by a writer, an error while reading)
};
struct FileContents {
  FileReadStatus status = FileReadStatus::kMissing;
  Bytes bytes;  // empty unless status is kRead
};

// Like ReadWholeFile, but tells a missing file from one that exists and
// cannot be read, so that a caller can refuse to replace what it could not
// read. An empty name counts as missing.
FileContents ReadFileIfPresent(const Text& fileName);

// Appends |line| at the end of the file, creating the file when it is
// missing. When the file is not empty and its last byte is not a line feed,
// "\r\n" is written first, so that |line| starts a line of its own. What
// the file held is never truncated or rewritten. False when the file cannot
// be opened for reading and appending (held by a writer, a directory), its
// last byte cannot be read, or a write fails.
bool AppendLineToFile(const Text& fileName, std::string_view line);

// Replaces the file's content in one step: writes |data| to a temporary
// file beside it (the name with ".tmp" added), forces it to the disk and
// renames it over the file. Anyone opening the file finds either the old
// or the new content, whole, never a mix or a cut file. On failure the
// file keeps its old content, the temporary file is removed and the result
// is false.
bool ReplaceFileAtomically(const Text& fileName, std::string_view data);

}  // namespace feed

#endif  // FEED_COLLECTOR_TEXT_FILES_H_
