// The Win32 main window's own names, for the entry point and for tests that
// look at the real controls. Windows builds only.

#ifndef FEED_COLLECTOR_COLLECTOR_MAIN_WINDOW_WIN32_H_
#define FEED_COLLECTOR_COLLECTOR_MAIN_WINDOW_WIN32_H_

#include <windows.h>

#include "collector/main_window.h"

namespace feed::win32 {

inline constexpr wchar_t kMainWindowClass[] = L"FeedCollectorMainWindow";

// Control ids, in the form's order (which is also the Tab order). None is
// IDOK or IDCANCEL, so Enter and Escape never click a control.
enum ControlId : int {
  kLinkBoxId = 101,     // 超级链接框1
  kStatusLabelId,       // 透明标签3
  kPauseBoxId,          // 编辑框_采集延时
  kPauseLabelId,        // 透明标签2
  kSeenIdBoxId,         // 编辑框_去重复
  kCheckBoxId,          // 选择框_是否去重复
  kCountLabelId,        // 透明标签1
  kCountBoxId,          // 编辑框_采集次数
  kCollectButtonId,     // 按钮_采集
  kListId,              // 超级列表框1
};

// The top-level window of a window that CreateMainWindow made here; null
// once its loop has ended.
HWND WindowHandle(MainWindow& window);

}  // namespace feed::win32

#endif  // FEED_COLLECTOR_COLLECTOR_MAIN_WINDOW_WIN32_H_
