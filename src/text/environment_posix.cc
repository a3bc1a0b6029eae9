#include <unistd.h>

#include <string>

#include "text/environment.h"
#include "text/posix_path.h"

namespace feed {
namespace {

Text FindProgramDirectory() {
  std::string path(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0 || static_cast<size_t>(n) >= path.size()) return Text();
  path.resize(static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return Text();
  path.resize(slash);
  return TextFromPosixPath(path);
}

}  // namespace

Text ProgramDirectory() {
  static const Text directory = FindProgramDirectory();
  return directory;
}

bool ChangeCurrentDirectory(const Text& directory) {
  return !directory.empty() && ::chdir(PosixPath(directory).c_str()) == 0;
}

void ProcessEvents() {
  // Threads have no message queue here; the window's main loop runs on its
  // own thread and the collection thread waits on nothing else.
}

}  // namespace feed
