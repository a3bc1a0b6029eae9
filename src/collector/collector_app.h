// The program's start and its two handlers, over any MainWindow:
//   created         restores the seen-id list (RestoreSeenIds);
//   collect clicked starts a collection run on a thread of its own and
//                   returns at once; a click while a run is going does
//                   nothing (the button stays enabled);
//   close requested ends the loop when no run is going. During a run it
//                   hides the window at once, asks the run to stop at the
//                   next record boundary (which also breaks off its request
//                   and its pause), and ends the loop once the run has
//                   finished its record and saved the seen-id list, or
//                   after a deadline, whichever comes first.
// The window's thread never waits for a run: it keeps serving the run's
// hand-offs until the run says it is done.

#ifndef FEED_COLLECTOR_COLLECTOR_COLLECTOR_APP_H_
#define FEED_COLLECTOR_COLLECTOR_COLLECTOR_APP_H_

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "collector/collection_run.h"
#include "collector/main_window.h"
#include "collector/record_handling.h"

namespace feed {

struct CollectorSettings {
  // Where the record file and the seen-id file are.
  Text directory;
  // The feed service and the pauses.
  FeedAccess access;
  // How long a window closed during a run waits for it before the loop
  // ends all the same. The process must be gone within two seconds.
  std::chrono::milliseconds closeDeadline{1500};
};

class CollectorApp {
 public:
  // |window| must outlive the app. Made on the window's thread.
  CollectorApp(MainWindow& window, CollectorSettings settings);
  // Requests a run in progress to stop and waits for its thread. The
  // entry points never get here: they end the process as soon as Run
  // returns, whatever a run left behind is doing.
  ~CollectorApp();
  CollectorApp(const CollectorApp&) = delete;
  CollectorApp& operator=(const CollectorApp&) = delete;

  // Window thread: binds the handlers and runs the window's loop until the
  // window is closed; returns the exit code.
  int Run();

  // Any thread: whether a run is going, and a wait for none to be.
  bool Collecting() const;
  bool WaitUntilIdle(std::chrono::milliseconds timeout) const;

 private:
  struct RunState;

  void OnCollectClicked();
  void OnCloseRequested();
  // The run's thread.
  void Collect(std::shared_ptr<RunState> run);

  MainWindow& window_;
  const CollectorSettings settings_;
  RecordHandling records_;

  mutable std::mutex mutex_;
  mutable std::condition_variable idle_;
  std::shared_ptr<RunState> run_;  // the run going, if any
  bool closing_ = false;
  std::thread deadline_;  // ends the loop should a closing run take too long
};

// The whole program on this platform's window (collector_program.cc, built
// where CreateMainWindow exists): the program's directory becomes the
// current directory, the window is created and the app runs with the
// product's feed access. Returns the exit code (1 when the window cannot be
// created). The caller ends the process right after, without waiting for
// anything.
int RunCollectorProgram();

}  // namespace feed

#endif  // FEED_COLLECTOR_COLLECTOR_COLLECTOR_APP_H_
