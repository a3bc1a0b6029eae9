#include <windows.h>

#include <string>

#include "text/environment.h"
#include "text/win32_strings.h"

namespace feed {
namespace {

Text FindProgramDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  while (true) {
    DWORD n = ::GetModuleFileNameW(nullptr, path.data(),
                                   static_cast<DWORD>(path.size()));
    if (n == 0) return Text();
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);  // cut short: try a larger buffer
  }
  size_t backslash = path.rfind(L'\\');
  if (backslash == std::wstring::npos) return Text();
  path.resize(backslash);
  return GbkFromWide(path);
}

}  // namespace

Text ProgramDirectory() {
  static const Text directory = FindProgramDirectory();
  return directory;
}

bool ChangeCurrentDirectory(const Text& directory) {
  if (directory.empty()) return false;
  // "C:" alone names the drive's current directory; its root is meant.
  std::wstring wide = WideFromGbk(directory);
  if (wide.size() == 2 && wide[1] == L':') wide += L'\\';
  return ::SetCurrentDirectoryW(wide.c_str()) != 0;
}

void ProcessEvents() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE) &&
         message.message != WM_QUIT) {
    if (!::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) break;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

}  // namespace feed
