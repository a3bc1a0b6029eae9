// Entry point on Linux and other POSIX desktops.

#include "collector/main_window.h"

int main() {
  std::unique_ptr<feed::MainWindow> window = feed::CreateMainWindow();
  if (!window) return 1;
  return window->Run(feed::MainWindowEvents{});
}
