#include "collector/main_window_win32.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "collector/collector_app_test.h"
#include "collector/main_window_contract_test.h"
#include "collector/main_window_form.h"
#include "text/win32_strings.h"

namespace feed {
namespace {

HWND Control(HWND window, int id) { return ::GetDlgItem(window, id); }

class Win32Probe : public MainWindowProbe {
 public:
  explicit Win32Probe(HWND window) : window_(window) {}

  Text CellText(int row, int column) override {
    wchar_t buffer[1024] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 1024;
    ::SendMessageW(Control(window_, win32::kListId), LVM_GETITEMTEXTW,
                   static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return GbkFromWide(buffer);
  }
  Text LabelCaption(Label label) override {
    const int ids[] = {win32::kCountLabelId, win32::kPauseLabelId,
                       win32::kStatusLabelId};
    wchar_t buffer[256] = {};
    ::GetWindowTextW(Control(window_, ids[static_cast<int>(label)]), buffer, 256);
    return GbkFromWide(buffer);
  }
  bool IsRowInView(int row) override {
    HWND list = Control(window_, win32::kListId);
    int top = static_cast<int>(::SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
    int page = static_cast<int>(::SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
    return row >= top && row < top + page;
  }
  bool IsShown() override { return ::IsWindowVisible(window_) != 0; }
  void ClickCheckBox() override {
    ::SendMessageW(Control(window_, win32::kCheckBoxId), BM_CLICK, 0, 0);
  }
  void ClickCollect() override {
    ::SendMessageW(Control(window_, win32::kCollectButtonId), BM_CLICK, 0, 0);
  }
  void PressClose() override {
    ::SendMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
  }

 private:
  HWND window_;
};

// With a display the window must come up; without one the tests skip.
std::unique_ptr<MainWindow> CreateOrReport() {
  std::unique_ptr<MainWindow> window = CreateMainWindow();
  wchar_t display[64] = {};
  if (!window && ::GetEnvironmentVariableW(L"DISPLAY", display, 64) > 0) {
    ADD_FAILURE() << "the window could not be created although DISPLAY is set";
  }
  return window;
}

MainWindowContract Win32Contract() {
  return MainWindowContract{
      "Win32", [] { return CreateOrReport(); },
      [](MainWindow& window) -> std::unique_ptr<MainWindowProbe> {
        return std::make_unique<Win32Probe>(win32::WindowHandle(window));
      }};
}

INSTANTIATE_TEST_SUITE_P(
    Win32, CollectorAppTest, testing::Values(Win32Contract()),
    [](const testing::TestParamInfo<MainWindowContract>& info) {
      return info.param.name;
    });

INSTANTIATE_TEST_SUITE_P(
    Win32, MainWindowContractTest, testing::Values(Win32Contract()),
    [](const testing::TestParamInfo<MainWindowContract>& info) {
      return info.param.name;
    });

// The real window's looks, checked on the window while its loop runs.
class Win32MainWindowTest : public MainWindowContractTest {
 protected:
  HWND window() { return win32::WindowHandle(MainWindowContractTest::window()); }
  HWND control(int id) { return Control(window(), id); }
};

std::wstring ClassOf(HWND control) {
  wchar_t name[64] = {};
  ::GetClassNameW(control, name, 64);
  return name;
}

RECT PlaceInClientArea(HWND control) {
  RECT rect;
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(nullptr, ::GetParent(control),
                    reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

TEST_P(Win32MainWindowTest, WindowFrameSizeAndPlace) {
  FEED_START_WINDOW_OR_SKIP();
  wchar_t className[64] = {};
  ::GetClassNameW(window(), className, 64);
  EXPECT_STREQ(className, win32::kMainWindowClass);
  wchar_t caption[256] = {};
  ::GetWindowTextW(window(), caption, 256);
  EXPECT_EQ(GbkFromWide(caption), Text(form::kWindowCaption));

  LONG style = ::GetWindowLongW(window(), GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  LONG exStyle = ::GetWindowLongW(window(), GWL_EXSTYLE);
  EXPECT_TRUE(exStyle & WS_EX_APPWINDOW);
  EXPECT_FALSE(exStyle & WS_EX_TOPMOST);
  EXPECT_EQ(::GetWindow(window(), GW_OWNER), nullptr);
  EXPECT_EQ(::GetClassLongPtrW(window(), GCLP_HBRBACKGROUND),
            static_cast<ULONG_PTR>(COLOR_BTNFACE + 1));

  RECT rect;
  ::GetWindowRect(window(), &rect);
  EXPECT_EQ(rect.right - rect.left, 681);
  EXPECT_EQ(rect.bottom - rect.top, 418);
  EXPECT_EQ(rect.left, (::GetSystemMetrics(SM_CXSCREEN) - 681) / 2);
  EXPECT_EQ(rect.top, (::GetSystemMetrics(SM_CYSCREEN) - 418) / 2);
}

TEST_P(Win32MainWindowTest, ControlsAsTheFormHasThem) {
  FEED_START_WINDOW_OR_SKIP();
  struct Expected {
    int id;
    const wchar_t* className;
    form::Place place;
    const char* text;
    DWORD styleOn;
    DWORD styleOff;
    bool tabStop;
  };
  const DWORD kEdit = ES_LEFT | ES_AUTOHSCROLL;
  const Expected controls[] = {
      {win32::kLinkBoxId, L"Static", form::kLinkBox, form::kLinkCaption,
       SS_CENTER | SS_CENTERIMAGE | SS_NOTIFY | WS_BORDER, 0, false},
      {win32::kStatusLabelId, L"Static", form::kStatusLabel, "",
       SS_CENTERIMAGE, SS_CENTER | WS_BORDER, false},
      {win32::kPauseBoxId, L"Edit", form::kPauseBox, "10", kEdit,
       ES_MULTILINE | ES_PASSWORD | ES_NUMBER | ES_UPPERCASE | ES_NOHIDESEL,
       true},
      {win32::kPauseLabelId, L"Static", form::kPauseLabel,
       form::kPauseLabelCaption, SS_CENTERIMAGE, SS_CENTER, false},
      {win32::kSeenIdBoxId, L"Edit", form::kSeenIdBox, "",
       ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL,
       ES_AUTOHSCROLL | WS_HSCROLL | WS_VSCROLL | ES_NOHIDESEL, true},
      {win32::kCheckBoxId, L"Button", form::kCheckBox, form::kCheckBoxCaption,
       BS_AUTOCHECKBOX | BS_VCENTER, BS_LEFTTEXT, true},
      {win32::kCountLabelId, L"Static", form::kCountLabel,
       form::kCountLabelCaption, SS_CENTERIMAGE, SS_CENTER, false},
      {win32::kCountBoxId, L"Edit", form::kCountBox, "100", kEdit,
       ES_MULTILINE | ES_PASSWORD | ES_NUMBER, true},
      {win32::kCollectButtonId, L"Button", form::kCollectButton,
       form::kCollectCaption, BS_CENTER | BS_VCENTER, BS_DEFPUSHBUTTON, true},
      {win32::kListId, L"SysListView32", form::kList, "",
       LVS_REPORT | LVS_SINGLESEL, LVS_NOCOLUMNHEADER | LVS_NOSORTHEADER |
           LVS_EDITLABELS | LVS_SORTASCENDING | LVS_SORTDESCENDING,
       true},
  };
  HFONT guiFont = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  for (const Expected& e : controls) {
    SCOPED_TRACE(e.id);
    HWND c = control(e.id);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(ClassOf(c), e.className);
    RECT rect = PlaceInClientArea(c);
    EXPECT_EQ(rect.left, e.place.left);
    EXPECT_EQ(rect.top, e.place.top);
    EXPECT_EQ(rect.right - rect.left, e.place.width);
    EXPECT_EQ(rect.bottom - rect.top, e.place.height);
    wchar_t text[256] = {};
    ::GetWindowTextW(c, text, 256);
    EXPECT_EQ(GbkFromWide(text), Text(e.text));
    DWORD style = static_cast<DWORD>(::GetWindowLongW(c, GWL_STYLE));
    EXPECT_EQ(style & e.styleOn, e.styleOn);
    EXPECT_EQ(style & e.styleOff, 0u);
    EXPECT_EQ((style & WS_TABSTOP) != 0, e.tabStop);
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_FALSE(style & WS_DISABLED);
    bool sunken = ClassOf(c) == L"Edit" || ClassOf(c) == L"SysListView32";
    EXPECT_EQ((::GetWindowLongW(c, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0, sunken);
    if (e.id != win32::kLinkBoxId) {
      EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(c, WM_GETFONT, 0, 0)),
                guiFont);
    }
  }
  EXPECT_EQ(::SendMessageW(control(win32::kCheckBoxId), BM_GETCHECK, 0, 0),
            BST_CHECKED);

  // The seen-id box lies wholly below the client area.
  RECT client;
  ::GetClientRect(window(), &client);
  EXPECT_GE(PlaceInClientArea(control(win32::kSeenIdBoxId)).top, client.bottom);

  // The link box: bold, 14 pixels, GB2312.
  HFONT linkFont = reinterpret_cast<HFONT>(
      ::SendMessageW(control(win32::kLinkBoxId), WM_GETFONT, 0, 0));
  LOGFONTW font{};
  ASSERT_NE(::GetObjectW(linkFont, sizeof(font), &font), 0);
  EXPECT_EQ(font.lfHeight, -14);
  EXPECT_EQ(font.lfWeight, FW_BOLD);
  EXPECT_EQ(font.lfCharSet, GB2312_CHARSET);
}

TEST_P(Win32MainWindowTest, ListColumnsAndLooks) {
  FEED_START_WINDOW_OR_SKIP();
  HWND list = control(win32::kListId);
  DWORD ex = static_cast<DWORD>(
      ::SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  EXPECT_TRUE(ex & LVS_EX_GRIDLINES);
  EXPECT_TRUE(ex & LVS_EX_FULLROWSELECT);
  EXPECT_FALSE(ex & (LVS_EX_CHECKBOXES | LVS_EX_TRACKSELECT |
                     LVS_EX_ONECLICKACTIVATE | LVS_EX_SUBITEMIMAGES));
  HWND header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), form::kColumnCount);
  EXPECT_TRUE(::GetWindowLongW(header, GWL_STYLE) & HDS_BUTTONS);
  for (int i = 0; i < form::kColumnCount; ++i) {
    SCOPED_TRACE(i);
    wchar_t text[64] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_IMAGE;
    column.pszText = text;
    column.cchTextMax = 64;
    ASSERT_TRUE(::SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(i),
                               reinterpret_cast<LPARAM>(&column)));
    EXPECT_EQ(GbkFromWide(text), Text(form::kColumns[i].header));
    EXPECT_EQ(column.cx, form::kColumns[i].width);
    EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
    EXPECT_FALSE(column.fmt & LVCFMT_IMAGE);
  }
}

TEST_P(Win32MainWindowTest, HeaderClickKeepsTheRowsInOrder) {
  FEED_START_WINDOW_OR_SKIP();
  MainWindow& w = MainWindowContractTest::window();
  for (const char* id : {"b", "c", "a"}) {
    int row = w.InsertRow(ListBox::超级列表框1);
    w.SetCellText(ListBox::超级列表框1, row, 1, id);
  }
  HWND list = control(win32::kListId);
  HWND header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
  RECT item;
  ::SendMessageW(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
  LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
  ::SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::SendMessageW(header, WM_LBUTTONUP, 0, at);
  Win32Probe probe(window());
  EXPECT_EQ(probe.CellText(0, 1), Text("b"));
  EXPECT_EQ(probe.CellText(1, 1), Text("c"));
  EXPECT_EQ(probe.CellText(2, 1), Text("a"));
}

TEST_P(Win32MainWindowTest, EscapeInAnEditBoxClosesTheWindow) {
  std::atomic<int> closes{0};
  MainWindowEvents events;
  events.closeRequested = [&] { ++closes; };
  FEED_START_WINDOW_OR_SKIP(events);
  // The multi-line box, which would otherwise want every key.
  ::PostMessageW(control(win32::kSeenIdBoxId), WM_KEYDOWN, VK_ESCAPE, 1);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (closes == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(MainWindowContractTest::window().EditText(EditBox::编辑框_去重复),
            Text());
}

TEST_P(Win32MainWindowTest, TypingIntoTheSeenIdBoxAdvancesItsRevision) {
  FEED_START_WINDOW_OR_SKIP();
  MainWindow& w = MainWindowContractTest::window();
  uint64_t before = w.EditTextRevision(EditBox::编辑框_去重复);
  w.AppendEditText(EditBox::编辑框_去重复, "1\r\n");
  EXPECT_EQ(w.EditTextRevision(EditBox::编辑框_去重复), before + 1);
  // As the user typing: characters reach the box through its own messages.
  ::SendMessageW(control(win32::kSeenIdBoxId), WM_CHAR, L'7', 1);
  EXPECT_GT(w.EditTextRevision(EditBox::编辑框_去重复), before + 1);
  EXPECT_EQ(w.EditText(EditBox::编辑框_去重复), Text("1\r\n7"));
}

INSTANTIATE_TEST_SUITE_P(
    Win32, Win32MainWindowTest, testing::Values(Win32Contract()),
    [](const testing::TestParamInfo<MainWindowContract>& info) {
      return info.param.name;
    });

}  // namespace
}  // namespace feed
