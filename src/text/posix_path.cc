#include "text/posix_path.h"

#include <algorithm>

namespace feed {

// Interim: names pass through as bytes until the code page converter
// lands; only the separators are mapped.
std::string PosixPath(const Text& name) {
  std::string path(name.view());
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

Text TextFromPosixPath(std::string_view path) { return Text(path); }

}  // namespace feed
