#include "collector/main_window_controls_gtk.h"

#include <string>

namespace feed {
namespace {

constexpr char kCaptionUtf8[] = "Quenlo快手采集无水印视频软件";

// The form was laid out for a 9-point font; the desktop's font family is
// kept at that size so that every text fits its control. The caption bar is
// ours (a client-side frame) so that the outer size is the same under every
// window manager; its frame adds no border of its own.
constexpr char kStyle[] = R"css(
window.feed-main-window decoration {
  border: none; padding: 0; border-radius: 0;
}
window.feed-main-window.solid-csd decoration { margin: 0; box-shadow: none; }
window.feed-main-window headerbar {
  min-height: 0; padding: 0 4px; margin: 0; border-radius: 0;
}
window.feed-main-window headerbar button.titlebutton {
  min-height: 20px; min-width: 20px; padding: 0; margin: 0 1px;
}
.feed-form { font-size: 9pt; }
.feed-form entry { min-height: 0; padding: 0 2px; border-radius: 0; }
.feed-form textview text { background-color: white; color: black; }
.feed-form button { min-height: 0; padding: 0 4px; }
.feed-form checkbutton { padding: 0; }
.feed-form checkbutton check { margin: 0 3px 0 0; }
.feed-form checkbutton label { margin: 0; }
.feed-form button.link {
  font-weight: bold; font-size: 14px;
  border: 1px solid #8a8a8a; border-radius: 0; padding: 0;
}
)css";

void InstallStyleOnce() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  GtkCssProvider* provider = gtk_css_provider_new();
  gtk_css_provider_load_from_data(provider, kStyle, -1, nullptr);
  gtk_style_context_add_provider_for_screen(
      gdk_screen_get_default(), GTK_STYLE_PROVIDER(provider),
      GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(provider);
}

void Place(GtkWidget* client, GtkWidget* control, int left, int top,
           int width, int height) {
  gtk_widget_set_size_request(control, width, height);
  gtk_layout_put(GTK_LAYOUT(client), control, left, top);
}

GtkWidget* NewLabel(const char* captionUtf8) {
  GtkWidget* label = gtk_label_new(nullptr);
  gtk_label_set_single_line_mode(GTK_LABEL(label), TRUE);
  // Keeps the label at its own size when a caption is too long for it.
  gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
  gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
  gtk_label_set_yalign(GTK_LABEL(label), 0.5f);
  SetLabelCaptionUtf8(label, captionUtf8);
  return label;
}

GtkWidget* NewEntry(const char* textUtf8) {
  GtkWidget* entry = gtk_entry_new();
  // Without this the entry asks for room for several characters.
  gtk_entry_set_width_chars(GTK_ENTRY(entry), 1);
  gtk_entry_set_text(GTK_ENTRY(entry), textUtf8);
  return entry;
}

GtkWidget* NewSeenIdBox(GtkWidget** frame) {
  GtkWidget* view = gtk_text_view_new();
  gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(view), GTK_WRAP_CHAR);
  // Tab moves the focus on, as in the other boxes.
  gtk_text_view_set_accepts_tab(GTK_TEXT_VIEW(view), FALSE);
  // Scrollable without scroll bars: the box keeps its size however long
  // the list grows, and only the lines in view are laid out.
  *frame = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(*frame),
                                 GTK_POLICY_NEVER, GTK_POLICY_EXTERNAL);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(*frame),
                                      GTK_SHADOW_IN);
  gtk_container_add(GTK_CONTAINER(*frame), view);
  return view;
}

GtkWidget* NewCheckBox(const char* captionUtf8, bool checked) {
  GtkWidget* box = gtk_check_button_new_with_label(captionUtf8);
  GtkWidget* label = gtk_bin_get_child(GTK_BIN(box));
  gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
  gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(box), checked);
  return box;
}

GtkWidget* NewLink() {
  GtkWidget* link = gtk_link_button_new_with_label(kLinkAddress,
                                                   kLinkCaptionUtf8);
  gtk_widget_set_can_focus(link, FALSE);
  // No tooltip with the address: the caption is all the box shows.
  gtk_widget_set_has_tooltip(link, FALSE);
  return link;
}

GtkWidget* NewList(GtkListStore** rows, GtkWidget** frame) {
  GType types[kListColumns.size()];
  for (GType& type : types) type = G_TYPE_STRING;
  *rows = gtk_list_store_newv(static_cast<gint>(kListColumns.size()), types);
  GtkWidget* view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(*rows));
  g_object_unref(*rows);  // the view holds the store from here on
  GtkTreeView* tree = GTK_TREE_VIEW(view);
  for (size_t i = 0; i < kListColumns.size(); ++i) {
    GtkCellRenderer* cell = gtk_cell_renderer_text_new();
    g_object_set(cell, "ellipsize", PANGO_ELLIPSIZE_END, nullptr);
    GtkTreeViewColumn* column = gtk_tree_view_column_new_with_attributes(
        kListColumns[i].headerUtf8, cell, "text", static_cast<gint>(i),
        nullptr);
    gtk_tree_view_column_set_sizing(column, GTK_TREE_VIEW_COLUMN_FIXED);
    gtk_tree_view_column_set_fixed_width(column, kListColumns[i].width);
    gtk_tree_view_column_set_resizable(column, TRUE);
    // The header is a button, but no sort column is set: a click on it
    // changes nothing and the rows keep their order.
    gtk_tree_view_column_set_clickable(column, TRUE);
    gtk_tree_view_append_column(tree, column);
  }
  // Every row is one text line high: rows need not be measured one by one,
  // which keeps appending fast however long the list grows.
  gtk_tree_view_set_fixed_height_mode(tree, TRUE);
  gtk_tree_view_set_grid_lines(tree, GTK_TREE_VIEW_GRID_LINES_BOTH);
  gtk_tree_view_set_enable_search(tree, FALSE);
  gtk_tree_view_set_hover_selection(tree, FALSE);
  gtk_tree_view_set_reorderable(tree, FALSE);
  gtk_tree_selection_set_mode(gtk_tree_view_get_selection(tree),
                              GTK_SELECTION_SINGLE);
  *frame = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(*frame),
                                 GTK_POLICY_AUTOMATIC, GTK_POLICY_AUTOMATIC);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(*frame),
                                      GTK_SHADOW_IN);
  gtk_scrolled_window_set_overlay_scrolling(GTK_SCROLLED_WINDOW(*frame),
                                            FALSE);
  gtk_container_add(GTK_CONTAINER(*frame), view);
  return view;
}

GtkWidget* NewCaptionBar() {
  GtkWidget* bar = gtk_header_bar_new();
  std::string caption = std::string(kCaptionUtf8) + kCaptionSuffixUtf8;
  gtk_header_bar_set_title(GTK_HEADER_BAR(bar), caption.c_str());
  gtk_header_bar_set_has_subtitle(GTK_HEADER_BAR(bar), FALSE);
  gtk_header_bar_set_show_close_button(GTK_HEADER_BAR(bar), TRUE);
  // A fixed frame: minimise and close, no maximise.
  gtk_header_bar_set_decoration_layout(GTK_HEADER_BAR(bar),
                                       "icon:minimize,close");
  gtk_widget_set_size_request(bar, -1, kCaptionBarHeight);
  // Tab stays among the controls: the caption bar's buttons are for the
  // mouse, as a window frame's are.
  g_signal_connect(bar, "focus", G_CALLBACK(+[](GtkWidget* widget,
                                               GtkDirectionType, gpointer) {
                     g_signal_stop_emission_by_name(widget, "focus");
                     return FALSE;
                   }),
                   nullptr);
  return bar;
}

void CentreOnMonitor(GtkWidget* window) {
  GdkDisplay* display = gtk_widget_get_display(window);
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (monitor == nullptr) monitor = gdk_display_get_monitor(display, 0);
  GdkRectangle screen = {0, 0, kWindowWidth, kWindowHeight};
  if (monitor != nullptr) gdk_monitor_get_geometry(monitor, &screen);
  gtk_window_move(GTK_WINDOW(window),
                  screen.x + (screen.width - kWindowWidth) / 2,
                  screen.y + (screen.height - kWindowHeight) / 2);
}

}  // namespace

void SetLabelCaptionUtf8(GtkWidget* label, const char* captionUtf8) {
  // U+2002 EN SPACE is half an em wide, as a blank is beside CJK text in
  // the form's fonts: "采集延时:         毫秒" then leaves the gap that the
  // edit box between its words needs.
  std::string shown;
  for (const char* p = captionUtf8; *p != '\0'; ++p) {
    if (*p == ' ') {
      shown += "\xE2\x80\x82";
    } else {
      shown += *p;
    }
  }
  gtk_label_set_text(GTK_LABEL(label), shown.c_str());
}

MainWindowControls BuildMainWindowControls() {
  InstallStyleOnce();
  MainWindowControls c{};
  c.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow* window = GTK_WINDOW(c.window);
  gtk_style_context_add_class(gtk_widget_get_style_context(c.window),
                              "feed-main-window");
  gtk_window_set_resizable(window, FALSE);
  c.captionBar = NewCaptionBar();
  gtk_window_set_titlebar(window, c.captionBar);
  gtk_window_set_title(window, gtk_header_bar_get_title(
                                   GTK_HEADER_BAR(c.captionBar)));

  c.client = gtk_layout_new(nullptr, nullptr);
  gtk_style_context_add_class(gtk_widget_get_style_context(c.client),
                              "feed-form");
  gtk_widget_set_size_request(c.client, kWindowWidth,
                              kWindowHeight - kCaptionBarHeight);
  // Room below the visible area for the hidden box.
  gtk_layout_set_size(GTK_LAYOUT(c.client), kWindowWidth, 520);
  gtk_container_add(GTK_CONTAINER(c.window), c.client);

  // In the form's order; later controls are drawn over earlier ones.
  c.超级链接框1 = NewLink();
  Place(c.client, c.超级链接框1, 8, 328, 304, 48);
  c.透明标签3 = NewLabel("");
  Place(c.client, c.透明标签3, 16, 328, 168, 16);
  c.编辑框_采集延时 = NewEntry("10");
  Place(c.client, c.编辑框_采集延时, 488, 362, 40, 20);
  c.透明标签2 = NewLabel("采集延时:         毫秒");
  Place(c.client, c.透明标签2, 427, 360, 141, 24);
  c.编辑框_去重复 = NewSeenIdBox(&c.编辑框_去重复_frame);
  Place(c.client, c.编辑框_去重复_frame, 32, 456, 240, 64);
  c.选择框_是否去重复 = NewCheckBox("是否去重复", true);
  Place(c.client, c.选择框_是否去重复, 328, 328, 80, 24);
  c.透明标签1 = NewLabel("采集次数:");
  Place(c.client, c.透明标签1, 424, 328, 56, 24);
  c.编辑框_采集次数 = NewEntry("100");
  Place(c.client, c.编辑框_采集次数, 488, 330, 40, 20);
  c.按钮_采集 = gtk_button_new_with_label("采集");
  Place(c.client, c.按钮_采集, 568, 328, 80, 32);
  c.超级列表框1 = NewList(&c.rows, &c.超级列表框1_frame);
  Place(c.client, c.超级列表框1_frame, 2, 2, 664, 312);

  gtk_widget_show_all(c.client);
  gtk_widget_show_all(c.captionBar);
  CentreOnMonitor(c.window);
  return c;
}

}  // namespace feed
