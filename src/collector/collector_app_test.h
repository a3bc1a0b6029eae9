// Tests of the program's handlers on a window that runs its loop on a
// thread of its own, as the product does on its main thread. Parameterised
// by window (MainWindowContract): each platform instantiates the suite.

#ifndef FEED_COLLECTOR_COLLECTOR_COLLECTOR_APP_TEST_H_
#define FEED_COLLECTOR_COLLECTOR_COLLECTOR_APP_TEST_H_

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "collector/collector_app.h"
#include "collector/main_window_contract_test.h"
#include "tests/support/scratch_directory.h"

namespace feed {

class CollectorAppTest : public testing::TestWithParam<MainWindowContract> {
 protected:
  void TearDown() override;

  // Creates the window and the app on their own thread and runs the app
  // there with |access|. False when the window cannot be created here.
  bool Start(FeedAccess access);
  // Waits up to |timeout| for the app's Run to return.
  bool WaitForExit(std::chrono::milliseconds timeout);

  MainWindow& window() { return *window_; }
  MainWindowProbe& probe() { return *probe_; }
  CollectorApp& app() { return *app_; }

  ScratchDirectory dir_;

 private:
  std::thread thread_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<MainWindowProbe> probe_;
  std::unique_ptr<CollectorApp> app_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool created_ = false;
  bool exited_ = false;
  bool release_ = false;
};

}  // namespace feed

#endif  // FEED_COLLECTOR_COLLECTOR_COLLECTOR_APP_TEST_H_
