#include "tests/support/fake_main_window.h"

#include <utility>

#include "collector/main_window_form.h"

namespace feed {

FakeMainWindow::FakeMainWindow() : window_thread_(std::this_thread::get_id()) {
  edit_texts_[EditBox::编辑框_采集次数] = form::kCountInitial;
  edit_texts_[EditBox::编辑框_采集延时] = form::kPauseInitial;
  edit_texts_[EditBox::编辑框_去重复] = "";
  captions_[Label::透明标签1] = form::kCountLabelCaption;
  captions_[Label::透明标签2] = form::kPauseLabelCaption;
  captions_[Label::透明标签3] = Text();
}

void FakeMainWindow::SetOperationHook(
    std::function<void(std::string_view)> hook) {
  hook_ = std::move(hook);
}

void FakeMainWindow::Notify(std::string_view operation) {
  if (hook_) hook_(operation);
}

bool FakeMainWindow::HandOff(const std::function<void()>& work) {
  std::unique_lock<std::mutex> lock(queue_mutex_);
  if (ended_) return false;
  if (!running_ || std::this_thread::get_id() == window_thread_) {
    lock.unlock();
    work();
    return true;
  }
  bool done = false;
  queue_.push_back([&] {
    work();
    std::lock_guard<std::mutex> relock(queue_mutex_);
    done = true;
    queue_changed_.notify_all();
  });
  queue_changed_.notify_all();
  queue_changed_.wait(lock, [&] { return done || ended_; });
  return done;
}

void FakeMainWindow::Post(std::function<void()> work) {
  std::unique_lock<std::mutex> lock(queue_mutex_);
  if (ended_) return;
  if (!running_) {
    lock.unlock();
    work();
    return;
  }
  queue_.push_back(std::move(work));
  queue_changed_.notify_all();
}

void FakeMainWindow::BumpRevision(EditBox box) { ++revisions_[box]; }

Text FakeMainWindow::EditText(EditBox box) {
  Notify("EditText");
  Text text;
  HandOff([&] {
    std::lock_guard<std::mutex> lock(state_mutex_);
    text = Text(edit_texts_[box]);
  });
  return text;
}

uint64_t FakeMainWindow::EditTextRevision(EditBox box) {
  Notify("EditTextRevision");
  uint64_t revision = 0;
  HandOff([&] {
    std::lock_guard<std::mutex> lock(state_mutex_);
    revision = revisions_[box];
  });
  return revision;
}

void FakeMainWindow::SetEditText(EditBox box, const Text& text) {
  Notify("SetEditText");
  HandOff([&] {
    std::lock_guard<std::mutex> lock(state_mutex_);
    edit_texts_[box] = text.str();
    BumpRevision(box);
  });
}

void FakeMainWindow::AppendEditText(EditBox box, const Text& text) {
  Notify("AppendEditText");
  HandOff([&] {
    if (text.empty()) return;
    std::lock_guard<std::mutex> lock(state_mutex_);
    edit_texts_[box] += text.view();
    BumpRevision(box);
  });
}

bool FakeMainWindow::IsChecked(CheckBox) {
  Notify("IsChecked");
  bool checked = false;
  HandOff([&] {
    std::lock_guard<std::mutex> lock(state_mutex_);
    checked = checked_;
  });
  return checked;
}

void FakeMainWindow::SetLabelCaption(Label label, const Text& caption) {
  Notify("SetLabelCaption");
  HandOff([&] {
    std::lock_guard<std::mutex> lock(state_mutex_);
    captions_[label] = caption;
  });
}

int FakeMainWindow::InsertRow(ListBox) {
  Notify("InsertRow");
  int index = -1;
  HandOff([&] {
    std::lock_guard<std::mutex> lock(state_mutex_);
    rows_.emplace_back();
    index = static_cast<int>(rows_.size()) - 1;
  });
  return index;
}

int FakeMainWindow::RowCount(ListBox) {
  Notify("RowCount");
  int count = 0;
  HandOff([&] {
    std::lock_guard<std::mutex> lock(state_mutex_);
    count = static_cast<int>(rows_.size());
  });
  return count;
}

void FakeMainWindow::SetCellText(ListBox, int row, int column,
                                 const Text& text) {
  Notify("SetCellText");
  HandOff([&] {
    std::lock_guard<std::mutex> lock(state_mutex_);
    if (row < 0 || row >= static_cast<int>(rows_.size())) return;
    if (column < 0 || column >= form::kColumnCount) return;
    rows_[static_cast<size_t>(row)][static_cast<size_t>(column)] = text;
  });
}

void FakeMainWindow::MakeRowVisible(ListBox, int row) {
  Notify("MakeRowVisible");
  HandOff([&] {
    std::lock_guard<std::mutex> lock(state_mutex_);
    if (row < 0 || row >= static_cast<int>(rows_.size())) return;
    if (row < top_row_) top_row_ = row;
    if (row >= top_row_ + kVisibleRows) top_row_ = row - kVisibleRows + 1;
  });
}

int FakeMainWindow::Run(const MainWindowEvents& events) {
  events_ = events;
  if (events_.created) events_.created();
  std::unique_lock<std::mutex> lock(queue_mutex_);
  running_ = true;
  {
    // Shown only once the loop takes what others queue.
    std::lock_guard<std::mutex> shown(state_mutex_);
    hidden_ = false;
  }
  while (true) {
    queue_changed_.wait(lock, [&] { return quit_ || !queue_.empty(); });
    if (quit_) break;
    std::function<void()> work = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    work();
    lock.lock();
  }
  running_ = false;
  ended_ = true;
  queue_.clear();  // callers waiting for these see ended_ and return
  queue_changed_.notify_all();
  return 0;
}

void FakeMainWindow::Hide() {
  std::lock_guard<std::mutex> lock(state_mutex_);
  hidden_ = true;
}

void FakeMainWindow::Quit() {
  std::lock_guard<std::mutex> lock(queue_mutex_);
  quit_ = true;
  queue_changed_.notify_all();
}

Text FakeMainWindow::CurrentEditText(EditBox box) const {
  std::lock_guard<std::mutex> lock(state_mutex_);
  auto it = edit_texts_.find(box);
  return it == edit_texts_.end() ? Text() : Text(it->second);
}

uint64_t FakeMainWindow::CurrentRevision(EditBox box) const {
  std::lock_guard<std::mutex> lock(state_mutex_);
  auto it = revisions_.find(box);
  return it == revisions_.end() ? 0 : it->second;
}

bool FakeMainWindow::CurrentlyChecked() const {
  std::lock_guard<std::mutex> lock(state_mutex_);
  return checked_;
}

Text FakeMainWindow::LabelCaption(Label label) const {
  std::lock_guard<std::mutex> lock(state_mutex_);
  auto it = captions_.find(label);
  return it == captions_.end() ? Text() : it->second;
}

std::vector<FakeMainWindow::Row> FakeMainWindow::Rows() const {
  std::lock_guard<std::mutex> lock(state_mutex_);
  return rows_;
}

int FakeMainWindow::RowsNow() const {
  std::lock_guard<std::mutex> lock(state_mutex_);
  return static_cast<int>(rows_.size());
}

int FakeMainWindow::TopRow() const {
  std::lock_guard<std::mutex> lock(state_mutex_);
  return top_row_;
}

bool FakeMainWindow::IsRowInView(int row) const {
  std::lock_guard<std::mutex> lock(state_mutex_);
  return row >= 0 && row < static_cast<int>(rows_.size()) &&
         row >= top_row_ && row < top_row_ + kVisibleRows;
}

bool FakeMainWindow::Hidden() const {
  std::lock_guard<std::mutex> lock(state_mutex_);
  return hidden_;
}

bool FakeMainWindow::LoopRunning() const {
  std::lock_guard<std::mutex> lock(queue_mutex_);
  return running_;
}

void FakeMainWindow::TypeEditText(EditBox box, const Text& text) {
  Post([this, box, text] {
    std::lock_guard<std::mutex> lock(state_mutex_);
    edit_texts_[box] = text.str();
    BumpRevision(box);
  });
}

void FakeMainWindow::SetChecked(bool checked) {
  Post([this, checked] {
    std::lock_guard<std::mutex> lock(state_mutex_);
    checked_ = checked;
  });
}

void FakeMainWindow::ClickCollect() {
  Post([this] {
    if (events_.collectClicked) events_.collectClicked();
  });
}

void FakeMainWindow::RequestClose() {
  Post([this] {
    if (events_.closeRequested) {
      events_.closeRequested();
    } else {
      Quit();
    }
  });
}

}  // namespace feed
