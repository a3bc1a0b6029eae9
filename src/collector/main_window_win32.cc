// The main window on native Win32 controls. Every operation on an edit box
// or the check box runs on the window's thread: from another thread it is
// sent there (SendMessage) and waited for. Text appended from another thread
// is kept by the window and put into the box when something looks at it
// (see pending_appends_): the box's text and revision, as every operation
// and every message to the box sees them, already include it.
//
// The list is a virtual list view over the window's own row store, so that
// appending rows costs the same however many there are. The store, with
// the labels' captions and the row to scroll to, is the window's display
// state: the list and label operations change or read it under its lock,
// from whichever thread calls them, and return once the change is made, so
// the caller sees its own change at once and no thread sees a cell
// half-written. The controls that show it are brought up to date on the
// window's thread before they handle any message (so whatever asks them
// gets the new state) and by a timer a few times a second. A row and a
// status line cost no thread switch, which keeps a run's records from
// waiting on the window's thread while it paints.

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "collector/main_window.h"
#include "collector/main_window_form.h"
#include "collector/main_window_win32.h"
#include "text/win32_strings.h"

namespace feed {
namespace {

using win32::ControlId;

// Runs the std::function<void()> at lParam on the window's thread.
constexpr UINT kRunHere = WM_APP + 1;
// Ends the message loop.
constexpr UINT kEndLoop = WM_APP + 2;
// The timer that brings the list view up to date with the row store, and
// its period: short enough to look immediate.
constexpr UINT_PTR kDisplayTimer = 1;
constexpr UINT kDisplayTimerMilliseconds = 40;

constexpr int kEditBoxCount = 3;

int EditBoxIndex(EditBox box) { return static_cast<int>(box); }

class Win32MainWindow : public MainWindow {
 public:
  Win32MainWindow() : thread_id_(::GetCurrentThreadId()) {}
  ~Win32MainWindow() override;

  // Creates the window and its controls; false when it cannot.
  bool Create();

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

  HWND handle() const { return loop_ended_ ? nullptr : window_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam,
                                     LPARAM lParam);
  static LRESULT CALLBACK DisplayProc(HWND control, UINT message,
                                      WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR self);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  // Runs |work| on the window's thread and waits for it; false (without
  // running it) once the loop has ended.
  bool OnWindowThread(const std::function<void()>& work);

  HWND AddControl(ControlId id, const wchar_t* className, const char* text,
                  const form::Place& place, DWORD style, DWORD exStyle = 0);
  void AddColumns();
  HWND EditHandle(EditBox box) const;
  void RequestClose();
  bool IsEscapeForThisWindow(const MSG& message) const;
  void OnGetDisplayInfo(NMLVDISPINFOW* info);
  // Shows the display state at once on the window's thread; elsewhere
  // leaves it to the timer and to the controls' next message.
  void DisplayChanged();
  // Window thread: gives the list view the store's row count, redraws the
  // rows changed since, sets the captions set since, and scrolls.
  void ApplyDisplayChanges();
  void SetLabelNow(HWND label, const Text& caption);
  // Window thread: puts the text appended since into the edit boxes.
  void ApplyPendingAppends();
  LRESULT OnControlColour(HDC dc, HWND control);

  const DWORD thread_id_;
  HWND window_ = nullptr;
  HWND link_ = nullptr;
  HWND check_box_ = nullptr;
  HWND list_ = nullptr;
  std::array<HWND, kEditBoxCount> edit_boxes_{};
  std::array<HWND, 3> labels_{};
  HFONT link_font_ = nullptr;

  MainWindowEvents events_;
  std::atomic<bool> loop_ended_{false};
  std::atomic<bool> quit_{false};

  // Window thread only.
  std::array<uint64_t, kEditBoxCount> revisions_{};
  bool program_is_editing_ = false;
  int rows_shown_ = 0;  // the list view's item count
  // Text appended to each edit box from another thread and not yet put
  // into it. The edit control spends time in proportion to its whole text
  // on every insertion, which for a seen-id list of a million ids is more
  // than a record may take. The text goes in when something looks at the
  // box: EditText, or any message to the box (the user tabbing into it or
  // typing, a read of its text). The box lies outside the client area, so
  // nothing shows the delay.
  std::array<std::wstring, kEditBoxCount> pending_appends_;
  bool in_hand_off_ = false;
  bool applying_appends_ = false;
  bool applying_display_ = false;
  std::wstring display_buffer_;

  // The row store, any thread.
  std::mutex display_mutex_;
  std::vector<std::array<Text, form::kColumnCount>> rows_;
  int first_changed_row_ = -1;  // rows changed since the last update
  int last_changed_row_ = -1;
  std::array<std::optional<Text>, 3> new_captions_;
  int row_to_show_ = -1;
  std::atomic<bool> display_changed_{false};
};

Win32MainWindow::~Win32MainWindow() {
  if (window_ && ::IsWindow(window_)) ::DestroyWindow(window_);
  if (link_font_) ::DeleteObject(link_font_);
}

bool Win32MainWindow::Create() {
  INITCOMMONCONTROLSEX controls{sizeof(controls),
                                ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);

  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = &WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
  if (!windowClass.hIcon) windowClass.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = win32::kMainWindowClass;
  // A second window of the process finds the class already registered.
  if (!::RegisterClassExW(&windowClass) &&
      ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    return false;
  }

  int left = (::GetSystemMetrics(SM_CXSCREEN) - form::kWindowWidth) / 2;
  int top = (::GetSystemMetrics(SM_CYSCREEN) - form::kWindowHeight) / 2;
  // Fixed frame: no sizing border, no maximise box. Not clipping its
  // children lets the transparent labels show the window through them.
  window_ = ::CreateWindowExW(
      WS_EX_APPWINDOW, win32::kMainWindowClass,
      WideFromGbk(form::kWindowCaption).c_str(),
      WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, left, top,
      form::kWindowWidth, form::kWindowHeight, nullptr, nullptr, instance,
      this);
  if (!window_) return false;

  LOGFONTW linkFont{};
  linkFont.lfHeight = -form::kLinkFontHeight;  // character height, not cell
  linkFont.lfWeight = FW_BOLD;
  linkFont.lfCharSet = GB2312_CHARSET;
  link_font_ = ::CreateFontIndirectW(&linkFont);

  // Labels give way to the edit boxes they lie under (透明标签2 around
  // 编辑框_采集延时) instead of painting their text over them.
  const DWORD kLabel = SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX | WS_CLIPSIBLINGS;
  const DWORD kSingleLine = WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
  link_ = AddControl(win32::kLinkBoxId, L"Static", form::kLinkCaption,
                     form::kLinkBox,
                     SS_CENTER | SS_CENTERIMAGE | SS_NOTIFY | SS_NOPREFIX |
                         WS_BORDER);
  labels_[2] = AddControl(win32::kStatusLabelId, L"Static", "",
                          form::kStatusLabel, kLabel);
  edit_boxes_[EditBoxIndex(EditBox::编辑框_采集延时)] =
      AddControl(win32::kPauseBoxId, L"Edit", form::kPauseInitial,
                 form::kPauseBox, kSingleLine, WS_EX_CLIENTEDGE);
  labels_[1] = AddControl(win32::kPauseLabelId, L"Static",
                          form::kPauseLabelCaption, form::kPauseLabel, kLabel);
  edit_boxes_[EditBoxIndex(EditBox::编辑框_去重复)] = AddControl(
      win32::kSeenIdBoxId, L"Edit", "", form::kSeenIdBox,
      WS_TABSTOP | ES_LEFT | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL,
      WS_EX_CLIENTEDGE);
  check_box_ = AddControl(win32::kCheckBoxId, L"Button", form::kCheckBoxCaption,
                          form::kCheckBox,
                          WS_TABSTOP | BS_AUTOCHECKBOX | BS_LEFT | BS_VCENTER);
  labels_[0] = AddControl(win32::kCountLabelId, L"Static",
                          form::kCountLabelCaption, form::kCountLabel, kLabel);
  edit_boxes_[EditBoxIndex(EditBox::编辑框_采集次数)] =
      AddControl(win32::kCountBoxId, L"Edit", form::kCountInitial,
                 form::kCountBox, kSingleLine, WS_EX_CLIENTEDGE);
  AddControl(win32::kCollectButtonId, L"Button", form::kCollectCaption,
             form::kCollectButton,
             WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER);
  list_ = AddControl(win32::kListId, WC_LISTVIEWW, "", form::kList,
                     WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDATA,
                     WS_EX_CLIENTEDGE);
  for (HWND control : {link_, labels_[0], labels_[1], labels_[2], check_box_,
                       list_, edit_boxes_[0], edit_boxes_[1], edit_boxes_[2]}) {
    if (!control) return false;
  }

  // The status line lies over the link box and must show above it.
  ::SetWindowPos(labels_[2], HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ::SendMessageW(link_, WM_SETFONT, reinterpret_cast<WPARAM>(link_font_), FALSE);
  for (HWND box : edit_boxes_) ::SendMessageW(box, EM_SETLIMITTEXT, 0, 0);
  ::SendMessageW(check_box_, BM_SETCHECK, BST_CHECKED, 0);
  for (HWND shows : {list_, labels_[0], labels_[1], labels_[2], edit_boxes_[0],
                     edit_boxes_[1], edit_boxes_[2]}) {
    ::SetWindowSubclass(shows, &DisplayProc, 1, reinterpret_cast<DWORD_PTR>(this));
  }
  ::SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE,
                 LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT,
                 LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  AddColumns();
  ::SetTimer(window_, kDisplayTimer, kDisplayTimerMilliseconds, nullptr);
  return true;
}

HWND Win32MainWindow::AddControl(ControlId id, const wchar_t* className,
                                 const char* text, const form::Place& place,
                                 DWORD style, DWORD exStyle) {
  HWND control = ::CreateWindowExW(
      exStyle, className, WideFromGbk(text).c_str(),
      WS_CHILD | WS_VISIBLE | style, place.left, place.top, place.width,
      place.height, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
      ::GetModuleHandleW(nullptr), nullptr);
  if (control) {
    ::SendMessageW(control, WM_SETFONT,
                   reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)),
                   FALSE);
  }
  return control;
}

void Win32MainWindow::AddColumns() {
  for (int i = 0; i < form::kColumnCount; ++i) {
    std::wstring header = WideFromGbk(form::kColumns[i].header);
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = form::kColumns[i].width;
    column.pszText = header.data();
    column.iSubItem = i;
    ::SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i),
                   reinterpret_cast<LPARAM>(&column));
  }
}

HWND Win32MainWindow::EditHandle(EditBox box) const {
  return edit_boxes_[static_cast<size_t>(EditBoxIndex(box))];
}

bool Win32MainWindow::OnWindowThread(const std::function<void()>& work) {
  if (loop_ended_) return false;
  if (::GetCurrentThreadId() == thread_id_) {
    work();
    return true;
  }
  // A window destroyed meanwhile makes the send fail at once.
  return ::SendMessageW(window_, kRunHere, 0,
                        reinterpret_cast<LPARAM>(&work)) == 1;
}

Text Win32MainWindow::EditText(EditBox box) {
  Text text;
  OnWindowThread([&] {
    HWND edit = EditHandle(box);
    ApplyPendingAppends();
    int length = ::GetWindowTextLengthW(edit);
    if (length <= 0) return;
    std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
    int got = ::GetWindowTextW(edit, wide.data(), length + 1);
    wide.resize(static_cast<size_t>(got > 0 ? got : 0));
    text = GbkFromWide(wide);
  });
  return text;
}

uint64_t Win32MainWindow::EditTextRevision(EditBox box) {
  uint64_t revision = 0;
  OnWindowThread([&] { revision = revisions_[static_cast<size_t>(EditBoxIndex(box))]; });
  return revision;
}

void Win32MainWindow::SetEditText(EditBox box, const Text& text) {
  OnWindowThread([&] {
    size_t i = static_cast<size_t>(EditBoxIndex(box));
    pending_appends_[i].clear();  // replaced with the rest of the text
    program_is_editing_ = true;
    ::SetWindowTextW(EditHandle(box), WideFromGbk(text).c_str());
    program_is_editing_ = false;
    ++revisions_[i];
  });
}

void Win32MainWindow::AppendEditText(EditBox box, const Text& text) {
  OnWindowThread([&] {
    if (text.empty()) return;
    size_t i = static_cast<size_t>(EditBoxIndex(box));
    pending_appends_[i] += WideFromGbk(text);
    ++revisions_[i];
    if (!in_hand_off_) ApplyPendingAppends();
  });
}

void Win32MainWindow::ApplyPendingAppends() {
  if (applying_appends_) return;  // the boxes' own messages come back here
  applying_appends_ = true;
  for (size_t i = 0; i < edit_boxes_.size(); ++i) {
    if (pending_appends_[i].empty()) continue;
    std::wstring text;
    text.swap(pending_appends_[i]);
    HWND edit = edit_boxes_[i];
    WPARAM end = static_cast<WPARAM>(::GetWindowTextLengthW(edit));
    program_is_editing_ = true;
    ::SendMessageW(edit, EM_SETSEL, end, static_cast<LPARAM>(end));
    ::SendMessageW(edit, EM_SCROLLCARET, 0, 0);
    ::SendMessageW(edit, EM_REPLACESEL, FALSE,
                   reinterpret_cast<LPARAM>(text.c_str()));
    program_is_editing_ = false;
  }
  applying_appends_ = false;
}

bool Win32MainWindow::IsChecked(CheckBox) {
  bool checked = false;
  OnWindowThread([&] {
    checked = ::SendMessageW(check_box_, BM_GETCHECK, 0, 0) == BST_CHECKED;
  });
  return checked;
}

void Win32MainWindow::SetLabelCaption(Label label, const Text& caption) {
  if (loop_ended_) return;
  {
    std::lock_guard<std::mutex> lock(display_mutex_);
    new_captions_[static_cast<size_t>(label)] = caption;
  }
  DisplayChanged();
}

int Win32MainWindow::InsertRow(ListBox) {
  if (loop_ended_) return -1;
  int index = 0;
  {
    std::lock_guard<std::mutex> lock(display_mutex_);
    rows_.emplace_back();
    index = static_cast<int>(rows_.size()) - 1;
  }
  DisplayChanged();
  return index;
}

int Win32MainWindow::RowCount(ListBox) {
  if (loop_ended_) return 0;
  std::lock_guard<std::mutex> lock(display_mutex_);
  return static_cast<int>(rows_.size());
}

void Win32MainWindow::SetCellText(ListBox, int row, int column,
                                  const Text& text) {
  if (loop_ended_) return;
  if (column < 0 || column >= form::kColumnCount) return;
  {
    std::lock_guard<std::mutex> lock(display_mutex_);
    if (row < 0 || row >= static_cast<int>(rows_.size())) return;
    rows_[static_cast<size_t>(row)][static_cast<size_t>(column)] = text;
    if (first_changed_row_ < 0 || row < first_changed_row_) first_changed_row_ = row;
    if (row > last_changed_row_) last_changed_row_ = row;
  }
  DisplayChanged();
}

void Win32MainWindow::MakeRowVisible(ListBox, int row) {
  if (loop_ended_) return;
  {
    std::lock_guard<std::mutex> lock(display_mutex_);
    if (row < 0 || row >= static_cast<int>(rows_.size())) return;
    row_to_show_ = row;
  }
  DisplayChanged();
}

void Win32MainWindow::DisplayChanged() {
  if (::GetCurrentThreadId() == thread_id_) {
    ApplyDisplayChanges();
  } else {
    display_changed_ = true;
  }
}

void Win32MainWindow::ApplyDisplayChanges() {
  if (applying_display_) return;  // the controls' own messages come back here
  applying_display_ = true;
  display_changed_ = false;
  int count = 0;
  int first = -1;
  int last = -1;
  int show = -1;
  std::array<std::optional<Text>, 3> captions;
  {
    std::lock_guard<std::mutex> lock(display_mutex_);
    count = static_cast<int>(rows_.size());
    first = std::exchange(first_changed_row_, -1);
    last = std::exchange(last_changed_row_, -1);
    show = std::exchange(row_to_show_, -1);
    captions.swap(new_captions_);
  }
  if (count != rows_shown_) {
    ::SendMessageW(list_, LVM_SETITEMCOUNT, static_cast<WPARAM>(count),
                   LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    rows_shown_ = count;
  }
  if (first >= 0) {
    ::SendMessageW(list_, LVM_REDRAWITEMS, static_cast<WPARAM>(first), last);
  }
  if (show >= 0) {
    ::SendMessageW(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(show), FALSE);
  }
  for (size_t i = 0; i < captions.size(); ++i) {
    if (captions[i]) SetLabelNow(labels_[i], *captions[i]);
  }
  applying_display_ = false;
}

void Win32MainWindow::SetLabelNow(HWND label, const Text& caption) {
  ::SetWindowTextW(label, WideFromGbk(caption).c_str());
  // The label draws no background: have the window repaint what lies
  // beneath it (and the link box it overlaps), or the old text stays.
  RECT area;
  ::GetWindowRect(label, &area);
  ::MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&area), 2);
  ::RedrawWindow(window_, &area, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Win32MainWindow::Hide() {
  OnWindowThread([&] { ::ShowWindow(window_, SW_HIDE); });
}

void Win32MainWindow::Quit() {
  quit_ = true;
  ::PostMessageW(window_, kEndLoop, 0, 0);
}

bool Win32MainWindow::IsEscapeForThisWindow(const MSG& message) const {
  return message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE &&
         (message.hwnd == window_ || ::IsChild(window_, message.hwnd));
}

int Win32MainWindow::Run(const MainWindowEvents& events) {
  events_ = events;
  if (events_.created) events_.created();
  ::ShowWindow(window_, SW_SHOW);
  ::UpdateWindow(window_);

  MSG message;
  while (!quit_ && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == kEndLoop) break;
    // Escape closes the window whichever control has the focus; no edit
    // box gets to claim it.
    if (IsEscapeForThisWindow(message)) {
      RequestClose();
      continue;
    }
    // Tab moves the focus between controls; Enter only reaches the
    // multi-line box, which wants it.
    if (::IsDialogMessageW(window_, &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }

  // From here on operations return at once. A sender that got past that
  // test before it was set is answered by the drain below; a later one
  // finds the window gone and its send fails at once.
  loop_ended_ = true;
  ::DestroyWindow(window_);
  while (::PeekMessageW(&message, nullptr, 0, 0,
                        PM_NOREMOVE | PM_QS_SENDMESSAGE)) {
  }
  return 0;
}

void Win32MainWindow::RequestClose() {
  if (events_.closeRequested) {
    events_.closeRequested();
  } else {
    Quit();
  }
}

void Win32MainWindow::OnGetDisplayInfo(NMLVDISPINFOW* info) {
  LVITEMW& item = info->item;
  if (!(item.mask & LVIF_TEXT) || item.cchTextMax <= 0) return;
  item.pszText[0] = L'\0';
  if (item.iSubItem < 0 || item.iSubItem >= form::kColumnCount) return;
  Text cell;
  {
    std::lock_guard<std::mutex> lock(display_mutex_);
    if (item.iItem < 0 || item.iItem >= static_cast<int>(rows_.size())) return;
    cell = rows_[static_cast<size_t>(item.iItem)]
                [static_cast<size_t>(item.iSubItem)];
  }
  display_buffer_ = WideFromGbk(cell);
  size_t count = std::min(display_buffer_.size(),
                          static_cast<size_t>(item.cchTextMax) - 1);
  display_buffer_.copy(item.pszText, count);
  item.pszText[count] = L'\0';
}

LRESULT Win32MainWindow::OnControlColour(HDC dc, HWND control) {
  if (control == check_box_) {
    ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
  }
  // Labels and the link box: the window shows through around the text.
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, control == link_ ? RGB(0, 0, 255) : RGB(0, 0, 0));
  return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
}

LRESULT CALLBACK Win32MainWindow::WindowProc(HWND window, UINT message,
                                             WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32MainWindow*>(
      ::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self || !self->window_) {
    return ::DefWindowProcW(window, message, wParam, lParam);
  }
  return self->Handle(message, wParam, lParam);
}

LRESULT Win32MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kRunHere:
      if (loop_ended_) return 0;
      in_hand_off_ = true;
      (*reinterpret_cast<const std::function<void()>*>(lParam))();
      in_hand_off_ = false;
      return 1;
    case kEndLoop:
      quit_ = true;
      return 0;
    case WM_TIMER:
      if (wParam == kDisplayTimer && display_changed_) ApplyDisplayChanges();
      return 0;
    case WM_CLOSE:
      RequestClose();
      return 0;
    case WM_COMMAND: {
      int id = LOWORD(wParam);
      int code = HIWORD(wParam);
      if (id == win32::kCollectButtonId && code == BN_CLICKED) {
        if (events_.collectClicked) events_.collectClicked();
      } else if (id == win32::kLinkBoxId && code == STN_CLICKED) {
        ::ShellExecuteW(window_, L"open",
                        WideFromGbk(form::kLinkAddress).c_str(), nullptr,
                        nullptr, SW_SHOWNORMAL);
      } else if (code == EN_CHANGE && !program_is_editing_) {
        // The user changed a box: its text is no longer what the program
        // last put there.
        for (size_t i = 0; i < edit_boxes_.size(); ++i) {
          if (reinterpret_cast<HWND>(lParam) == edit_boxes_[i]) ++revisions_[i];
        }
      }
      return 0;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->hwndFrom == list_ && header->code == LVN_GETDISPINFOW) {
        OnGetDisplayInfo(reinterpret_cast<NMLVDISPINFOW*>(lParam));
      }
      // Header clicks (LVN_COLUMNCLICK) are left alone: rows keep their
      // order.
      return 0;
    }
    case WM_CTLCOLORSTATIC:
      return OnControlColour(reinterpret_cast<HDC>(wParam),
                             reinterpret_cast<HWND>(lParam));
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wParam) == link_) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    default:
      break;
  }
  return ::DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK Win32MainWindow::DisplayProc(HWND control, UINT message,
                                              WPARAM wParam, LPARAM lParam,
                                              UINT_PTR, DWORD_PTR self) {
  // Whatever the list, a label or an edit box is asked, it answers from the
  // display state as it stands.
  auto* window = reinterpret_cast<Win32MainWindow*>(self);
  if (::GetDlgCtrlID(control) == win32::kListId ||
      std::find(window->labels_.begin(), window->labels_.end(), control) !=
          window->labels_.end()) {
    window->ApplyDisplayChanges();
  } else {
    window->ApplyPendingAppends();
  }
  return ::DefSubclassProc(control, message, wParam, lParam);
}

}  // namespace

std::unique_ptr<MainWindow> CreateMainWindow() {
  auto window = std::make_unique<Win32MainWindow>();
  if (!window->Create()) return nullptr;
  return window;
}

namespace win32 {

HWND WindowHandle(MainWindow& window) {
  return static_cast<Win32MainWindow&>(window).handle();
}

}  // namespace win32
}  // namespace feed
