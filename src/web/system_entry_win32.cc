#include "web/system_entry_win32.h"

#include <windows.h>

#include <string>

#include "text/fatal_error.h"

namespace feed {

void* FindSystemEntry(const char* library, const char* name) {
  HMODULE module = ::LoadLibraryA(library);
  FARPROC address = module ? ::GetProcAddress(module, name) : nullptr;
  if (address == nullptr) {
    FatalError(std::string("cannot find the function ") + name +
               " in the library " + library);
  }
  return reinterpret_cast<void*>(address);
}

}  // namespace feed
