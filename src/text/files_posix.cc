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

// Writes every byte of |data|; false on an error.
bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

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

FileContents ReadFileIfPresent(const Text& fileName) {
  FileContents result;
  if (fileName.empty()) return result;
  std::string path = PosixPath(fileName);
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.ok()) {
    result.status = (errno == ENOENT || errno == ENOTDIR)
                        ? FileReadStatus::kMissing
                        : FileReadStatus::kUnreadable;
    return result;
  }
  result.status = FileReadStatus::kUnreadable;
  if (::flock(file.get(), LOCK_SH | LOCK_NB) != 0) return result;
  struct stat info;
  if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return result;
  std::string data(static_cast<size_t>(info.st_size), '\0');
  size_t got = 0;
  while (got < data.size()) {
    ssize_t n = ::read(file.get(), data.data() + got, data.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return result;
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  data.resize(got);
  result.status = FileReadStatus::kRead;
  result.bytes = Bytes(std::move(data));
  return result;
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

bool AppendLineToFile(const Text& fileName, std::string_view line) {
  if (fileName.empty()) return false;
  FileDescriptor file(::open(PosixPath(fileName).c_str(),
                             O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
  if (!file.ok()) return false;
  // Others may read while we append, but no writer may be busy with it.
  if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0) return false;
  struct stat info;
  if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  bool needsLineBreak = false;
  if (info.st_size > 0) {
    char last = 0;
    if (::pread(file.get(), &last, 1, info.st_size - 1) != 1) return false;
    needsLineBreak = last != '\n';
  }
  if (needsLineBreak && !WriteAll(file.get(), "\r\n")) return false;
  if (!WriteAll(file.get(), line)) return false;
  return file.Close();
}

bool ReplaceFileAtomically(const Text& fileName, std::string_view data) {
  if (fileName.empty()) return false;
  std::string path = PosixPath(fileName);
  std::string temporary = path + ".tmp";
  {
    FileDescriptor file(::open(temporary.c_str(),
                               O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!file.ok()) return false;
    bool written = ::flock(file.get(), LOCK_EX | LOCK_NB) == 0 &&
                   WriteAll(file.get(), data) && ::fsync(file.get()) == 0;
    if (!file.Close() || !written) {
      ::unlink(temporary.c_str());
      return false;
    }
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace feed
