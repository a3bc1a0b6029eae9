#include "text/posix_path.h"

#include <algorithm>

#include "text/code_page.h"

namespace feed {

// The name is converted before the separators are mapped: in code page 936
// the byte 0x5C is also the second byte of many characters.
std::string PosixPath(const Text& name) {
  std::string path = GbkToUtf8(name);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

Text TextFromPosixPath(std::string_view path) { return Utf8ViewToGbk(path); }

}  // namespace feed
