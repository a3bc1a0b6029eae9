// The main window's form: the window's caption and size, and each control's
// place, size and initial text, as every window implementation lays them
// out. Texts are code page 936; positions and sizes are pixels, controls
// relative to the window's client area.

#ifndef FEED_COLLECTOR_COLLECTOR_MAIN_WINDOW_FORM_H_
#define FEED_COLLECTOR_COLLECTOR_MAIN_WINDOW_FORM_H_

namespace feed::form {

// "Quenlo快手采集无水印视频软件", two spaces, a contact, two spaces and the
// project's address (a reserved example name: it has no public home yet).
inline constexpr char kWindowCaption[] =
    "Quenlo\xBF\xEC\xCA\xD6\xB2\xC9\xBC\xAF\xCE\xDE\xCB\xAE\xD3\xA1\xCA\xD3"
    "\xC6\xB5\xC8\xED\xBC\xFE"
    "  feed-collector"
    "  https://feed-collector.example/";
// Outer size, frame and caption included; the window is centred on the
// screen when it is created.
inline constexpr int kWindowWidth = 681;
inline constexpr int kWindowHeight = 418;

struct Place {
  int left, top, width, height;
};

// 超级链接框1: one bold line, centred, with a thin border; a click opens
// kLinkAddress with the system's handler for web addresses.
inline constexpr Place kLinkBox{8, 328, 304, 48};
// "项目主页: feed-collector" (project home page).
inline constexpr char kLinkCaption[] =
    "\xCF\xEE\xC4\xBF\xD6\xF7\xD2\xB3: feed-collector";
inline constexpr char kLinkAddress[] =
    "https://feed-collector.example/";
inline constexpr int kLinkFontHeight = 14;

// 透明标签3: the status line, over the upper left of the link box.
inline constexpr Place kStatusLabel{16, 328, 168, 16};
// 编辑框_采集延时, initially "10".
inline constexpr Place kPauseBox{488, 362, 40, 20};
inline constexpr char kPauseInitial[] = "10";
// 透明标签2: "采集延时:         毫秒" (the blanks leave room for the box).
inline constexpr Place kPauseLabel{427, 360, 141, 24};
inline constexpr char kPauseLabelCaption[] =
    "\xB2\xC9\xBC\xAF\xD1\xD3\xCA\xB1:         \xBA\xC1\xC3\xEB";
// 编辑框_去重复: multi-line, wholly below the client area.
inline constexpr Place kSeenIdBox{32, 456, 240, 64};
// 选择框_是否去重复: "是否去重复", checked.
inline constexpr Place kCheckBox{328, 328, 80, 24};
inline constexpr char kCheckBoxCaption[] = "\xCA\xC7\xB7\xF1\xC8\xA5\xD6\xD8\xB8\xB4";
// 透明标签1: "采集次数:".
inline constexpr Place kCountLabel{424, 328, 56, 24};
inline constexpr char kCountLabelCaption[] = "\xB2\xC9\xBC\xAF\xB4\xCE\xCA\xFD:";
// 编辑框_采集次数, initially "100".
inline constexpr Place kCountBox{488, 330, 40, 20};
inline constexpr char kCountInitial[] = "100";
// 按钮_采集: "采集", not the default button.
inline constexpr Place kCollectButton{568, 328, 80, 32};
inline constexpr char kCollectCaption[] = "\xB2\xC9\xBC\xAF";
// 超级列表框1: report view, seven left-aligned columns.
inline constexpr Place kList{2, 2, 664, 312};

struct Column {
  const char* header;
  int width;
};
inline constexpr int kColumnCount = 7;
inline constexpr Column kColumns[kColumnCount] = {
    {"ID", 50},
    {"\xD3\xC3\xBB\xA7\xC3\xFB", 100},          // 用户名
    {"\xD3\xC3\xBB\xA7ID", 100},                // 用户ID
    {"\xD7\xF7\xC6\xB7ID", 100},                // 作品ID
    {"\xB1\xEA\xCC\xE2", 100},                  // 标题
    {"\xB7\xA2\xB1\xED\xCA\xB1\xBC\xE4", 100},  // 发表时间
    {"\xD4\xDA\xCF\xDF\xB5\xD8\xD6\xB7", 100},  // 在线地址
};

}  // namespace feed::form

#endif  // FEED_COLLECTOR_COLLECTOR_MAIN_WINDOW_FORM_H_
