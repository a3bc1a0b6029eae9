// An in-memory main window for unit tests. It keeps what the real windows
// show (edit box texts with their revision numbers, the check box, label
// captions, the list's rows and the row last scrolled into view) and follows
// the same threading contract: while Run is going, an operation from
// another thread is handed to the loop's thread and waited for; on the
// loop's thread, and before Run starts, it takes effect at once; once the
// loop has ended it returns at once with an empty value.
//
// The test side can look at everything at any time without going through
// the loop (the accessors below), act as the user would (type, click,
// close), and watch every control operation through a hook.

#ifndef FEED_COLLECTOR_TESTS_SUPPORT_FAKE_MAIN_WINDOW_H_
#define FEED_COLLECTOR_TESTS_SUPPORT_FAKE_MAIN_WINDOW_H_

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "collector/main_window.h"

namespace feed {

class FakeMainWindow : public MainWindow {
 public:
  using Row = std::array<Text, 7>;
  // Rows the fake's list shows at once; MakeRowVisible scrolls by as few
  // rows as it can, as a real list does.
  static constexpr int kVisibleRows = 20;

  // Created on the calling thread, which is the window's thread.
  FakeMainWindow();

  // MainWindow.
  Text EditText(EditBox box) override;
  uint64_t EditTextRevision(EditBox box) override;
  void SetEditText(EditBox box, const Text& text) override;
  void AppendEditText(EditBox box, const Text& text) override;
  bool IsChecked(CheckBox box) override;
  void SetLabelCaption(Label label, const Text& caption) override;
  int InsertRow(ListBox list) override;
  int RowCount(ListBox list) override;
  void SetCellText(ListBox list, int row, int column,
                   const Text& text) override;
  void MakeRowVisible(ListBox list, int row) override;
  int Run(const MainWindowEvents& events) override;
  void Hide() override;
  void Quit() override;

  // Test side: any thread, never waits for the loop.
  Text CurrentEditText(EditBox box) const;
  uint64_t CurrentRevision(EditBox box) const;
  bool CurrentlyChecked() const;
  Text LabelCaption(Label label) const;
  std::vector<Row> Rows() const;
  int RowsNow() const;
  // The first row in view (0 when the list is empty).
  int TopRow() const;
  bool IsRowInView(int row) const;
  bool Hidden() const;
  // True from the start of Run until its loop ends.
  bool LoopRunning() const;

  // As the user would. Before Run they act at once; while the loop runs
  // they are queued to it (not waited for); after it they do nothing.
  void TypeEditText(EditBox box, const Text& text);  // replaces the text
  void SetChecked(bool checked);
  void ClickCollect();
  // The close button: calls events.closeRequested, or ends the loop when
  // it is not handled.
  void RequestClose();

  // Called on the calling thread, before the operation, with its name
  // ("EditText", "AppendEditText", "InsertRow", ...). Set before use.
  void SetOperationHook(std::function<void(std::string_view)> hook);

 private:
  // Runs |work| as the contract says: at once, on the loop, or not at all
  // (false then).
  bool HandOff(const std::function<void()>& work);
  void Post(std::function<void()> work);
  void BumpRevision(EditBox box);
  void Notify(std::string_view operation);

  const std::thread::id window_thread_;
  std::function<void(std::string_view)> hook_;

  // The loop's queue.
  mutable std::mutex queue_mutex_;
  std::condition_variable queue_changed_;
  std::deque<std::function<void()>> queue_;
  bool running_ = false;
  bool ended_ = false;
  bool quit_ = false;
  MainWindowEvents events_;

  // What the window shows.
  mutable std::mutex state_mutex_;
  // Kept as strings so that appending costs the appended bytes only.
  std::map<EditBox, std::string> edit_texts_;
  std::map<EditBox, uint64_t> revisions_;
  bool checked_ = true;
  std::map<Label, Text> captions_;
  std::vector<Row> rows_;
  int top_row_ = 0;
  bool hidden_ = true;
};

}  // namespace feed

#endif  // FEED_COLLECTOR_TESTS_SUPPORT_FAKE_MAIN_WINDOW_H_
