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

// Writes every byte of |data|; false on an error.
bool WriteAll(HANDLE file, std::string_view data) {
  while (!data.empty()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size(), 1u << 30));
    DWORD n = 0;
    if (!::WriteFile(file, data.data(), chunk, &n, nullptr) || n == 0) {
      return false;
    }
    data.remove_prefix(n);
  }
  return true;
}

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

FileContents ReadFileIfPresent(const Text& fileName) {
  FileContents result;
  if (fileName.empty()) return result;
  FileHandle file(::CreateFileW(WideFromGbk(fileName).c_str(), GENERIC_READ,
                                FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok()) {
    DWORD error = ::GetLastError();
    result.status = (error == ERROR_FILE_NOT_FOUND ||
                     error == ERROR_PATH_NOT_FOUND)
                        ? FileReadStatus::kMissing
                        : FileReadStatus::kUnreadable;
    return result;
  }
  result.status = FileReadStatus::kUnreadable;
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return result;
  std::string data(static_cast<size_t>(size.QuadPart), '\0');
  size_t got = 0;
  while (got < data.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - got, 1u << 30));
    DWORD n = 0;
    if (!::ReadFile(file.get(), data.data() + got, chunk, &n, nullptr)) {
      return result;
    }
    if (n == 0) break;
    got += n;
  }
  data.resize(got);
  result.status = FileReadStatus::kRead;
  result.bytes = Bytes(std::move(data));
  return result;
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

bool AppendLineToFile(const Text& fileName, std::string_view line) {
  if (fileName.empty()) return false;
  // Readers may share the file; no other writer may open it meanwhile.
  FileHandle file(::CreateFileW(WideFromGbk(fileName).c_str(),
                                GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
  if (!file.ok()) return false;
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file.get(), &size)) return false;
  bool needsLineBreak = false;
  if (size.QuadPart > 0) {
    LARGE_INTEGER last;
    last.QuadPart = size.QuadPart - 1;
    char byte = 0;
    DWORD n = 0;
    if (!::SetFilePointerEx(file.get(), last, nullptr, FILE_BEGIN) ||
        !::ReadFile(file.get(), &byte, 1, &n, nullptr) || n != 1) {
      return false;
    }
    needsLineBreak = byte != '\n';
  }
  LARGE_INTEGER zero{};
  if (!::SetFilePointerEx(file.get(), zero, nullptr, FILE_END)) return false;
  if (needsLineBreak && !WriteAll(file.get(), "\r\n")) return false;
  if (!WriteAll(file.get(), line)) return false;
  return file.Close();
}

bool ReplaceFileAtomically(const Text& fileName, std::string_view data) {
  if (fileName.empty()) return false;
  std::wstring path = WideFromGbk(fileName);
  std::wstring temporary = path + L".tmp";
  {
    FileHandle file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!file.ok()) return false;
    bool written = WriteAll(file.get(), data) &&
                   ::FlushFileBuffers(file.get()) != 0;
    if (!file.Close() || !written) {
      ::DeleteFileW(temporary.c_str());
      return false;
    }
  }
  if (!::MoveFileExW(temporary.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ::DeleteFileW(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace feed
