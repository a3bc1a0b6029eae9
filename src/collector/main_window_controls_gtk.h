// The GTK widgets of the main window: the form laid out with its initial
// texts and settings, nothing bound to the program's events yet.
//
// Widgets are created and used on the thread that initialised GTK. The
// toplevel owns every other widget; destroying it frees them all.

#ifndef FEED_COLLECTOR_COLLECTOR_MAIN_WINDOW_CONTROLS_GTK_H_
#define FEED_COLLECTOR_COLLECTOR_MAIN_WINDOW_CONTROLS_GTK_H_

#include <gtk/gtk.h>

#include <array>

namespace feed {

// Outer size of the window, its caption bar included, and the height of
// that bar; the client area is the rest.
inline constexpr int kWindowWidth = 681;
inline constexpr int kWindowHeight = 418;
inline constexpr int kCaptionBarHeight = 30;

// Texts of our own that stand in the places the form leaves to the
// publisher: the caption's suffix, and the hyperlink box.
inline constexpr char kCaptionSuffixUtf8[] = "  feed-collector";
inline constexpr char kLinkCaptionUtf8[] = "feed-collector 项目主页";
inline constexpr char kLinkAddress[] = "https://example.org/feed-collector";

// Headers and widths of the list's seven columns.
struct ListColumn {
  const char* headerUtf8;
  int width;
};
inline constexpr std::array<ListColumn, 7> kListColumns = {{
    {"ID", 50},
    {"用户名", 100},
    {"用户ID", 100},
    {"作品ID", 100},
    {"标题", 100},
    {"发表时间", 100},
    {"在线地址", 100},
}};

struct MainWindowControls {
  GtkWidget* window;      // toplevel, not shown, centred on its monitor
  GtkWidget* captionBar;  // our own caption bar (client-side frame)
  GtkWidget* client;      // the client area; controls are placed on it

  GtkWidget* 超级链接框1;  // GtkLinkButton
  GtkWidget* 透明标签3;    // GtkLabel
  GtkWidget* 编辑框_采集延时;  // GtkEntry
  GtkWidget* 透明标签2;
  // A GtkTextView inside a scrolled window without scroll bars; the
  // scrolled window is what is placed (below the visible area).
  GtkWidget* 编辑框_去重复;
  GtkWidget* 编辑框_去重复_frame;
  GtkWidget* 选择框_是否去重复;  // GtkCheckButton
  GtkWidget* 透明标签1;
  GtkWidget* 编辑框_采集次数;
  GtkWidget* 按钮_采集;  // GtkButton
  // A GtkTreeView over |rows| inside a framed scrolled window (placed).
  GtkWidget* 超级列表框1;
  GtkWidget* 超级列表框1_frame;
  GtkListStore* rows;  // owned by the tree view; kListColumns.size() strings
};

// Builds the window and its controls. GTK must be initialised.
MainWindowControls BuildMainWindowControls();

// Shows |captionUtf8| as a transparent label shows it: single line, blanks
// as wide as half a CJK character, like the fonts the form was laid out for.
void SetLabelCaptionUtf8(GtkWidget* label, const char* captionUtf8);

}  // namespace feed

#endif  // FEED_COLLECTOR_COLLECTOR_MAIN_WINDOW_CONTROLS_GTK_H_
