// The Windows program: WinMain and nothing else.

#include <windows.h>

#include <string>
#include <string_view>

#include "collector/collector_app.h"
#include "text/fatal_error.h"
#include "text/win32_strings.h"

namespace {

// A program without a console shows what ends it in a message box.
void ShowFatalError(std::string_view message) {
  std::wstring text = feed::WideFromGbk(feed::Text(message));
  ::MessageBoxW(nullptr, text.c_str(), L"feed-collector",
                MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  feed::SetFatalReporter(&ShowFatalError);
  feed::InstallOutOfMemoryHandler();
  int code = feed::RunCollectorProgram();
  // At once: a run still going after the close deadline ends with the
  // process, and nothing is torn down under it.
  ::ExitProcess(static_cast<UINT>(code));
}
