#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "text/files.h"
#include "text/posix_path.h"

namespace feed {
namespace {

// Closes a descriptor on every way out.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  // Closes now and tells whether the close succeeded.
  bool Close() {
    int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

}  // namespace

Bytes ReadWholeFile(const Text& fileName) {
  if (fileName.empty()) return Bytes();
  FileDescriptor file(::open(PosixPath(fileName).c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.ok()) return Bytes();
  // Readers share the file; a writer holding it makes the read fail, as
  // the Windows build's sharing modes do.
  if (::flock(file.get(), LOCK_SH | LOCK_NB) != 0) return Bytes();
  struct stat info;
  if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return Bytes();
  std::string data(static_cast<size_t>(info.st_size), '\0');
  size_t got = 0;
  while (got < data.size()) {
    ssize_t n = ::read(file.get(), data.data() + got, data.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Bytes();
    if (n == 0) break;  // the file shrank meanwhile
    got += static_cast<size_t>(n);
  }
  data.resize(got);
  return Bytes(std::move(data));
}

bool WriteWholeFileParts(const Text& fileName,
                         std::initializer_list<std::string_view> parts) {
  if (fileName.empty()) return false;
  FileDescriptor file(::open(PosixPath(fileName).c_str(),
                             O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
  if (!file.ok()) return false;
  // Truncate only once nobody else holds the file.
  if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0) return false;
  if (::ftruncate(file.get(), 0) != 0) return false;
  for (std::string_view part : parts) {
    while (!part.empty()) {
      ssize_t n = ::write(file.get(), part.data(), part.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      part.remove_prefix(static_cast<size_t>(n));
    }
  }
  return file.Close();
}

}  // namespace feed
