#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "text/pumping_wait.h"

namespace feed {
namespace {

constexpr UINT kPosted = WM_APP + 1;
constexpr UINT kSent = WM_APP + 2;

std::atomic<int> posted_seen{0};
std::atomic<int> sent_seen{0};

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam,
                               LPARAM lParam) {
  if (message == kPosted) {
    ++posted_seen;
    return 0;
  }
  if (message == kSent) {
    ++sent_seen;
    return 42;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

TEST(PumpingWaitWin32Test, DispatchesMessagesThatArriveDuringTheWait) {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = RecordingProc;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"PumpingWaitTestWindow";
  ::RegisterClassW(&windowClass);
  HWND window = ::CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0,
                                  0, 0, HWND_MESSAGE, nullptr,
                                  windowClass.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  posted_seen = 0;
  sent_seen = 0;

  LRESULT answer = 0;
  std::thread other([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ::PostMessageW(window, kPosted, 0, 0);
    // Returns only once the waiting thread has handled it.
    answer = ::SendMessageW(window, kSent, 0, 0);
  });
  auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(PumpingWait(400));
  auto took = std::chrono::steady_clock::now() - start;
  other.join();

  EXPECT_EQ(posted_seen, 1);
  EXPECT_EQ(sent_seen, 1);
  EXPECT_EQ(answer, 42);
  // The messages did not end the wait.
  EXPECT_GE(took, std::chrono::milliseconds(300));
  ::DestroyWindow(window);
}

TEST(PumpingWaitWin32Test, QuitMessageStaysQueued) {
  ::PostQuitMessage(7);
  auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(PumpingWait(100));
  EXPECT_GE(std::chrono::steady_clock::now() - start,
            std::chrono::milliseconds(80));
  MSG message;
  ASSERT_TRUE(::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 7u);
}

}  // namespace
}  // namespace feed
