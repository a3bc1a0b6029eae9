// What every implementation of MainWindow must do, as value-parameterised
// tests. Each implementation instantiates the suite with a way to create
// its window and a probe that looks at it:
//
//   INSTANTIATE_TEST_SUITE_P(Fake, MainWindowContractTest,
//                            testing::Values(MainWindowContract{...}));
//
// Each test creates the window on a thread of its own, which then runs the
// window's loop; the test's own thread is the second thread that makes the
// operations, as the collection run does.

#ifndef FEED_COLLECTOR_COLLECTOR_MAIN_WINDOW_CONTRACT_TEST_H_
#define FEED_COLLECTOR_COLLECTOR_MAIN_WINDOW_CONTRACT_TEST_H_

#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "collector/main_window.h"

namespace feed {

// What a test sees of a window beyond its operations, and what the user
// does to it. Any thread may call these.
class MainWindowProbe {
 public:
  virtual ~MainWindowProbe() = default;
  virtual Text CellText(int row, int column) = 0;
  virtual Text LabelCaption(Label label) = 0;
  // True when the row is within the list's visible area.
  virtual bool IsRowInView(int row) = 0;
  virtual bool IsShown() = 0;
  // As the user: click the check box, the collect button, the close
  // button. Each returns once the window's thread has taken the click;
  // the handlers it starts may still be running.
  virtual void ClickCheckBox() = 0;
  virtual void ClickCollect() = 0;
  virtual void PressClose() = 0;
};

struct MainWindowContract {
  std::string name;
  // Creates the window on the calling thread, which then runs its loop.
  // Null when it cannot be created here (no display): the tests skip.
  std::function<std::unique_ptr<MainWindow>()> create;
  // A probe of a window that |create| made.
  std::function<std::unique_ptr<MainWindowProbe>(MainWindow&)> probe;
};

// Shows the name in test names.
inline std::string PrintToString(const MainWindowContract& contract) {
  return contract.name;
}

class MainWindowContractTest
    : public testing::TestWithParam<MainWindowContract> {
 protected:
  void TearDown() override;

  // Creates the window on its own thread and starts its loop with
  // |events|. False when the window cannot be created here.
  bool Start(MainWindowEvents events = {});
  // Ends the loop and waits until Run has returned. The window object
  // stays until the test ends.
  void EndLoop();
  bool RunReturned();

  MainWindow& window() { return *window_; }
  MainWindowProbe& probe() { return *probe_; }
  std::thread::id window_thread_id() const { return window_thread_id_; }

 private:
  std::thread thread_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<MainWindowProbe> probe_;
  std::thread::id window_thread_id_;

  std::mutex mutex_;
  std::condition_variable changed_;
  bool created_ = false;
  bool run_returned_ = false;
  bool release_ = false;
};

}  // namespace feed

#define FEED_START_WINDOW_OR_SKIP(...)                                    \
  do {                                                                    \
    if (!Start(__VA_ARGS__)) {                                            \
      GTEST_SKIP() << GetParam().name                                     \
                   << ": the window cannot be created here (no display?)"; \
    }                                                                     \
  } while (false)

#endif  // FEED_COLLECTOR_COLLECTOR_MAIN_WINDOW_CONTRACT_TEST_H_
