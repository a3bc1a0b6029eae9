// Shows the real window after a run, for screenshots: the program's window
// and handlers with a stand-in feed that answers realistic replies (the
// test fixture) instead of the service. It clicks 采集 itself, waits for
// the run, keeps the window up for the given number of seconds and ends.
//
//   window_demo.exe [seconds]

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "collector/collector_app.h"
#include "collector/main_window_win32.h"
#include "collector/record_handling.h"
#include "tests/support/feed_reply_fixture.h"
#include "text/win32_strings.h"

int main(int argc, char** argv) {
  int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
  std::unique_ptr<feed::MainWindow> window = feed::CreateMainWindow();
  if (!window) return 1;

  // A directory of its own, the files of an earlier showing removed, so
  // that nothing counts as seen before.
  feed::CollectorSettings settings;
  char temporary[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, temporary);
  std::string directory = std::string(temporary) + "feed-window-demo";
  ::CreateDirectoryA(directory.c_str(), nullptr);
  settings.directory = feed::Text(directory);
  for (const char* name : {feed::kRecordFileName, feed::kSeenIdFileName}) {
    ::DeleteFileW(
        feed::WideFromGbk(feed::ConcatText(settings.directory, name)).c_str());
  }
  uint32_t seed = 1;
  settings.access.fetch = [&seed](const feed::Text&, const feed::Text&,
                                  feed::Text&, feed::Text& status,
                                  const feed::StopSignal&) {
    status = "200 OK";
    return feed::Text(feed::MakeFeedReplyUtf8(feed::MakeFixtureItems(8, seed++)));
  };
  settings.access.pause = [](int32_t milliseconds, const feed::StopSignal& stop) {
    stop.WaitFor(std::chrono::milliseconds(milliseconds));
  };
  feed::CollectorApp app(*window, settings);

  std::thread user([&] {
    HWND handle = nullptr;
    while (!(handle = feed::win32::WindowHandle(*window)) ||
           !::IsWindowVisible(handle)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    window->SetEditText(feed::EditBox::编辑框_采集次数, "3");
    ::SendMessageW(::GetDlgItem(handle, feed::win32::kCollectButtonId),
                   BM_CLICK, 0, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    app.WaitUntilIdle(std::chrono::seconds(30));
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    window->Quit();
  });
  int code = app.Run();
  user.join();
  return code;
}
