// The main window as the collector sees it: its controls, the operations on
// them, and the events the program handles.
//
// Every control operation is a synchronous hand-off to the window's thread:
// it may be called from any thread and returns only when the window's
// thread has made the change or read the value. The window's thread never
// waits for another thread, so hand-offs cannot block each other. Once the
// message loop has ended, operations return at once (reads give empty
// values) instead of waiting.
//
// Implementations: Win32 controls (main_window_win32.cc), GTK 3
// (main_window_gtk.cc), and an in-memory fake for tests.

#ifndef FEED_COLLECTOR_COLLECTOR_MAIN_WINDOW_H_
#define FEED_COLLECTOR_COLLECTOR_MAIN_WINDOW_H_

#include <cstdint>
#include <functional>
#include <memory>

#include "text/text_primitives.h"

namespace feed {

// The controls, by their form names.
enum class EditBox { 编辑框_采集次数, 编辑框_采集延时, 编辑框_去重复 };
enum class CheckBox { 选择框_是否去重复 };
enum class Label { 透明标签1, 透明标签2, 透明标签3 };
enum class ListBox { 超级列表框1 };

// Handlers of the events the program binds. Each runs on the window's
// thread; an empty function means the event is not handled.
struct MainWindowEvents {
  // The window and all its controls exist; it is not shown yet and the
  // message loop has not started.
  std::function<void()> created;
  // 按钮_采集 was clicked.
  std::function<void()> collectClicked;
  // The user asked to close the window (close button, system menu, Escape).
  // When unhandled, the window closes and Run returns.
  std::function<void()> closeRequested;
};

class MainWindow {
 public:
  virtual ~MainWindow() = default;

  // Control operations (any thread; see above).
  // The box's whole current text.
  virtual Text EditText(EditBox box) = 0;
  // A number that changes whenever the box's text changes, whether the
  // program or the user changed it. Lets a caller keep an index of a large
  // text and notice when it has to be rebuilt. A change made through
  // SetEditText or AppendEditText advances it by exactly one, so that a
  // caller can tell its own change from one made meanwhile by the user.
  virtual uint64_t EditTextRevision(EditBox box) = 0;
  // Replaces the box's whole text.
  virtual void SetEditText(EditBox box, const Text& text) = 0;
  // Puts the caret behind the last character, scrolls it into view and
  // inserts |text| there; the text before it is unchanged.
  virtual void AppendEditText(EditBox box, const Text& text) = 0;
  virtual bool IsChecked(CheckBox box) = 0;
  // Replaces the caption; the window shows through around the text.
  virtual void SetLabelCaption(Label label, const Text& caption) = 0;
  // Appends a row with empty cells; returns its index, counted from 0.
  virtual int InsertRow(ListBox list) = 0;
  virtual int RowCount(ListBox list) = 0;
  // |row| from 0, |column| 0 to 6.
  virtual void SetCellText(ListBox list, int row, int column,
                           const Text& text) = 0;
  // Scrolls so that the row (from 0) is in view.
  virtual void MakeRowVisible(ListBox list, int row) = 0;

  // Lifecycle.
  // Window thread only: calls events.created, shows the window, runs the
  // message loop until Quit, and returns the process's exit code.
  virtual int Run(const MainWindowEvents& events) = 0;
  // Any thread: hides the window at once (it keeps serving operations).
  virtual void Hide() = 0;
  // Any thread: ends the message loop; Run then returns.
  virtual void Quit() = 0;
};

// Creates the real window of this platform with all its controls, centred
// and not yet shown, owned by the calling thread (which then calls Run).
// Null when the window cannot be created.
std::unique_ptr<MainWindow> CreateMainWindow();

}  // namespace feed

#endif  // FEED_COLLECTOR_COLLECTOR_MAIN_WINDOW_H_
