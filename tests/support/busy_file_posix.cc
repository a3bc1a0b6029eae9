#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdint>

#include "tests/support/busy_file.h"
#include "text/posix_path.h"

namespace feed {

BusyFile::BusyFile(const Text& fileName) {
  int fd = ::open(PosixPath(fileName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC,
                  0644);
  if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    fd = -1;
  }
  handle_ = reinterpret_cast<void*>(static_cast<intptr_t>(fd));
}

BusyFile::~BusyFile() {
  if (held()) ::close(static_cast<int>(reinterpret_cast<intptr_t>(handle_)));
}

bool BusyFile::held() const { return reinterpret_cast<intptr_t>(handle_) >= 0; }

}  // namespace feed
