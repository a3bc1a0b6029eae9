#include <windows.h>

#include <algorithm>
#include <string>

#include "text/files.h"
#include "text/win32_strings.h"

namespace feed {
namespace {

// Closes a handle on every way out.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() {
    if (ok()) ::CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  HANDLE get() const { return handle_; }
  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Close() {
    HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return ::CloseHandle(handle) != 0;
  }

 private:
  HANDLE handle_;
};

}  // namespace

Bytes ReadWholeFile(const Text& fileName) {
  if (fileName.empty()) return Bytes();
  FileHandle file(::CreateFileW(WideFromGbk(fileName).c_str(), GENERIC_READ,
                                FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok()) return Bytes();
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return Bytes();
  std::string data(static_cast<size_t>(size.QuadPart), '\0');
  size_t got = 0;
  while (got < data.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - got, 1u << 30));
    DWORD n = 0;
    if (!::ReadFile(file.get(), data.data() + got, chunk, &n, nullptr)) {
      return Bytes();
    }
    if (n == 0) break;  // the file shrank meanwhile
    got += n;
  }
  data.resize(got);
  return Bytes(std::move(data));
}

bool WriteWholeFileParts(const Text& fileName,
                         std::initializer_list<std::string_view> parts) {
  if (fileName.empty()) return false;
  // No sharing: while the file is open, nobody else can open it.
  FileHandle file(::CreateFileW(WideFromGbk(fileName).c_str(), GENERIC_WRITE,
                                0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok()) return false;
  for (std::string_view part : parts) {
    while (!part.empty()) {
      DWORD chunk = static_cast<DWORD>(std::min<size_t>(part.size(), 1u << 30));
      DWORD n = 0;
      if (!::WriteFile(file.get(), part.data(), chunk, &n, nullptr) || n == 0) {
        return false;
      }
      part.remove_prefix(n);
    }
  }
  return file.Close();
}

}  // namespace feed
