#include "collector/collector_app.h"

#include <system_error>
#include <utility>

#include "text/stop_signal.h"

namespace feed {

// What one run owns for its whole life: its lock and its stop signal. No
// other run ever replaces or deletes them.
struct CollectorApp::RunState {
  std::mutex recordLock;
  StopSignal stop;
};

CollectorApp::CollectorApp(MainWindow& window, CollectorSettings settings)
    : window_(window),
      settings_(std::move(settings)),
      records_(window, settings_.directory) {}

CollectorApp::~CollectorApp() {
  std::shared_ptr<RunState> run;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    run = run_;
  }
  if (run) run->stop.Request();
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [this] { return !run_; });
  lock.unlock();
  if (deadline_.joinable()) deadline_.join();
}

int CollectorApp::Run() {
  MainWindowEvents events;
  events.created = [this] { records_.RestoreSeenIds(); };
  events.collectClicked = [this] { OnCollectClicked(); };
  events.closeRequested = [this] { OnCloseRequested(); };
  return window_.Run(events);
}

bool CollectorApp::Collecting() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return run_ != nullptr;
}

bool CollectorApp::WaitUntilIdle(std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return idle_.wait_for(lock, timeout, [this] { return !run_; });
}

void CollectorApp::OnCollectClicked() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (run_ || closing_) return;  // one run at a time
  auto run = std::make_shared<RunState>();
  try {
    std::thread(&CollectorApp::Collect, this, run).detach();
  } catch (const std::system_error&) {
    return;  // no thread, no run, and nothing to tell the user
  }
  run_ = std::move(run);
}

void CollectorApp::Collect(std::shared_ptr<RunState> run) {
  CollectionRun(window_, records_, settings_.access, run->recordLock,
                run->stop);
  std::lock_guard<std::mutex> lock(mutex_);
  run_.reset();
  // The seen-id list is saved: a window closed meanwhile may go now.
  if (closing_) window_.Quit();
  idle_.notify_all();
}

void CollectorApp::OnCloseRequested() {
  std::shared_ptr<RunState> run;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closing_) return;
    closing_ = true;
    run = run_;
  }
  if (!run) {
    window_.Quit();
    return;
  }
  window_.Hide();
  run->stop.Request();
  deadline_ = std::thread([this] {
    if (!WaitUntilIdle(settings_.closeDeadline)) window_.Quit();
  });
}

}  // namespace feed
