// The Windows program itself: started as a user starts it, it comes up with
// the seen-id list beside it restored, and ends when its window is closed.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "collector/main_window_win32.h"
#include "collector/record_handling.h"
#include "tests/support/scratch_directory.h"
#include "text/environment.h"
#include "text/files.h"
#include "text/win32_strings.h"

namespace feed {
namespace {

using namespace std::chrono_literals;

// The first window of |process| with the main window's class.
HWND FindProgramWindow(DWORD process) {
  struct Search {
    DWORD process;
    HWND found;
  } search{process, nullptr};
  ::EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        wchar_t name[64] = {};
        ::GetClassNameW(window, name, 64);
        if (owner == s->process && std::wstring(name) == win32::kMainWindowClass &&
            ::IsWindowVisible(window)) {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

TEST(FeedCollectorProgramTest, RestoresTheListAtStartAndEndsWhenClosed) {
  wchar_t display[64] = {};
  if (::GetEnvironmentVariableW(L"DISPLAY", display, 64) == 0) {
    GTEST_SKIP() << "no display: the program's window cannot be shown";
  }
  // The program and its seen-id file in a directory of their own.
  ScratchDirectory dir;
  Text exe = ConcatText(dir.path(), "\\feed-collector.exe");
  ASSERT_TRUE(::CopyFileW(
      WideFromGbk(ConcatText(ProgramDirectory(), "\\feed-collector.exe")).c_str(),
      WideFromGbk(exe).c_str(), FALSE));
  ASSERT_TRUE(WriteWholeFile(ConcatText(dir.path(), kSeenIdFileName),
                             Text("11\r\n22")));

  std::wstring command = L"\"" + WideFromGbk(exe) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  // Started from elsewhere: the program finds its files beside itself.
  ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr,
                               FALSE, 0, nullptr, nullptr, &startup, &process));
  HWND window = nullptr;
  auto deadline = std::chrono::steady_clock::now() + 20s;
  while (!(window = FindProgramWindow(process.dwProcessId)) &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(50ms);
  }
  ASSERT_NE(window, nullptr) << "the program's window did not appear";

  // Asked through the control itself: GetWindowText does not reach the
  // text of another process's edit box.
  wchar_t text[64] = {};
  ::SendMessageW(::GetDlgItem(window, win32::kSeenIdBoxId), WM_GETTEXT, 64,
                 reinterpret_cast<LPARAM>(text));
  EXPECT_EQ(GbkFromWide(text), Text("11\r\n22\r\n"));

  // Escape in the hidden box closes the window and ends the program.
  auto closed = std::chrono::steady_clock::now();
  ::PostMessageW(::GetDlgItem(window, win32::kSeenIdBoxId), WM_KEYDOWN,
                 VK_ESCAPE, 1);
  EXPECT_EQ(::WaitForSingleObject(process.hProcess, 5000), WAIT_OBJECT_0);
  EXPECT_LT(std::chrono::steady_clock::now() - closed, 2s);
  DWORD code = 1;
  ::GetExitCodeProcess(process.hProcess, &code);
  EXPECT_EQ(code, 0u);
  if (::WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) {
    ::TerminateProcess(process.hProcess, 1);
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  // Closed without a run: the seen-id file is as it was.
  EXPECT_EQ(ReadWholeFile(ConcatText(dir.path(), kSeenIdFileName)),
            TextToBytes(Text("11\r\n22")));
}

}  // namespace
}  // namespace feed
