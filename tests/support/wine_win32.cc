#include <windows.h>

#include "tests/support/wine.h"

namespace feed {

bool RunningUnderWine() {
  // Wine's ntdll exports its version; Windows' does not.
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version");
}

}  // namespace feed
