#include <windows.h>

#include "tests/support/busy_file.h"
#include "text/win32_strings.h"

namespace feed {

BusyFile::BusyFile(const Text& fileName)
    : handle_(::CreateFileW(WideFromGbk(fileName).c_str(),
                            GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {}

BusyFile::~BusyFile() {
  if (held()) ::CloseHandle(handle_);
}

bool BusyFile::held() const { return handle_ != INVALID_HANDLE_VALUE; }

}  // namespace feed
