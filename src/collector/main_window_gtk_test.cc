#include "collector/main_window_gtk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "text/code_page.h"

namespace feed {
namespace {

Text Gbk(const char* utf8) { return Utf8ViewToGbk(utf8); }

MainWindowEvents OnCreated(std::function<void()> created) {
  MainWindowEvents events;
  events.created = std::move(created);
  return events;
}

std::string LabelText(GtkWidget* label) {
  return gtk_label_get_text(GTK_LABEL(label));
}

std::string CellText(GtkListStore* rows, int row, int column) {
  GtkTreeIter iter;
  if (!gtk_tree_model_iter_nth_child(GTK_TREE_MODEL(rows), &iter, nullptr,
                                     row)) {
    return "<no row>";
  }
  char* text = nullptr;
  gtk_tree_model_get(GTK_TREE_MODEL(rows), &iter, column, &text, -1);
  std::string copy = text ? text : "";
  g_free(text);
  return copy;
}

// Sends a key press and release to the window as if typed.
void SendKey(GtkWidget* window, guint keyval) {
  GdkWindow* target = gtk_widget_get_window(window);
  GdkDisplay* display = gdk_window_get_display(target);
  GdkDevice* keyboard =
      gdk_seat_get_keyboard(gdk_display_get_default_seat(display));
  GdkKeymapKey* keys = nullptr;
  gint key_count = 0;
  gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display),
                                    keyval, &keys, &key_count);
  for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
    GdkEvent* event = gdk_event_new(type);
    event->key.window = GDK_WINDOW(g_object_ref(target));
    event->key.time = GDK_CURRENT_TIME;
    event->key.keyval = keyval;
    if (key_count > 0) {
      event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
      event->key.group = static_cast<guint8>(keys[0].group);
    }
    gdk_event_set_device(event, keyboard);
    gtk_main_do_event(event);
    gdk_event_free(event);
  }
  g_free(keys);
}

// Runs the window until it quits; |shown| runs on the window thread once the
// window has been drawn (before that, focus moves can still go astray).
// Fails instead of hanging after 20 s.
int RunShown(GtkMainWindow& window, std::function<void()> shown,
             MainWindowEvents events = {}) {
  struct Watch {
    GtkMainWindow* window;
    std::function<void()> shown;
    bool drawn = false;
    bool done = false;
  } watch{&window, std::move(shown)};
  gulong draw_id = g_signal_connect_after(window.controls().window, "draw",
                         G_CALLBACK(+[](GtkWidget*, cairo_t*, gpointer data) {
                           static_cast<Watch*>(data)->drawn = true;
                           return FALSE;
                         }),
                         &watch);
  auto poll = +[](gpointer data) -> gboolean {
    auto* w = static_cast<Watch*>(data);
    if (w->done || !w->drawn) return G_SOURCE_CONTINUE;
    w->done = true;
    w->shown();
    return G_SOURCE_REMOVE;
  };
  auto timeout = +[](gpointer data) -> gboolean {
    ADD_FAILURE() << "the window did not quit within 20 s";
    static_cast<GtkMainWindow*>(data)->Quit();
    return G_SOURCE_REMOVE;
  };
  guint poll_id = g_timeout_add(10, poll, &watch);
  guint timeout_id = g_timeout_add(20000, timeout, &window);
  int code = window.Run(events);
  g_signal_handler_disconnect(window.controls().window, draw_id);
  if (!watch.done) g_source_remove(poll_id);
  g_source_remove(timeout_id);
  return code;
}

class GtkMainWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) {
      GTEST_SKIP() << "no X display: run under Xvfb (scripts/test does)";
    }
    window_ = CreateGtkMainWindow();
    if (!window_) GTEST_SKIP() << "cannot open the display " << std::getenv("DISPLAY");
  }
  const MainWindowControls& c() const { return window_->controls(); }

  std::unique_ptr<GtkMainWindow> window_;
};

struct Rect {
  int left, top, width, height;
  friend bool operator==(const Rect&, const Rect&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Rect& r) {
    return out << r.left << "," << r.top << " " << r.width << "x" << r.height;
  }
};

Rect PlaceOnClient(GtkWidget* control, GtkWidget* client) {
  Rect r{};
  gtk_widget_translate_coordinates(control, client, 0, 0, &r.left, &r.top);
  r.width = gtk_widget_get_allocated_width(control);
  r.height = gtk_widget_get_allocated_height(control);
  return r;
}

TEST_F(GtkMainWindowTest, WindowAndControlsHaveTheFormsGeometry) {
  RunShown(*window_, [&] {
    GdkRectangle outer;
    gdk_window_get_frame_extents(gtk_widget_get_window(c().window), &outer);
    GdkMonitor* monitor =
        gdk_display_get_monitor(gtk_widget_get_display(c().window), 0);
    GdkRectangle screen;
    gdk_monitor_get_geometry(monitor, &screen);
    EXPECT_EQ((Rect{outer.x, outer.y, outer.width, outer.height}),
              (Rect{(screen.width - 681) / 2, (screen.height - 418) / 2, 681,
                    418}));
    EXPECT_EQ(PlaceOnClient(c().client, c().window),
              (Rect{0, kCaptionBarHeight, 681, 418 - kCaptionBarHeight}));

    struct {
      const char* name;
      GtkWidget* control;
      Rect place;
    } const cases[] = {
        {"超级链接框1", c().超级链接框1, {8, 328, 304, 48}},
        {"透明标签3", c().透明标签3, {16, 328, 168, 16}},
        {"编辑框_采集延时", c().编辑框_采集延时, {488, 362, 40, 20}},
        {"透明标签2", c().透明标签2, {427, 360, 141, 24}},
        {"编辑框_去重复", c().编辑框_去重复_frame, {32, 456, 240, 64}},
        {"选择框_是否去重复", c().选择框_是否去重复, {328, 328, 80, 24}},
        {"透明标签1", c().透明标签1, {424, 328, 56, 24}},
        {"编辑框_采集次数", c().编辑框_采集次数, {488, 330, 40, 20}},
        {"按钮_采集", c().按钮_采集, {568, 328, 80, 32}},
        {"超级列表框1", c().超级列表框1_frame, {2, 2, 664, 312}},
    };
    for (const auto& each : cases) {
      EXPECT_EQ(PlaceOnClient(each.control, c().client), each.place)
          << each.name;
      EXPECT_TRUE(gtk_widget_get_visible(each.control)) << each.name;
      EXPECT_TRUE(gtk_widget_is_sensitive(each.control)) << each.name;
    }
    // The seen-id box lies wholly below what the client area shows.
    EXPECT_GE(456, gtk_widget_get_allocated_height(c().client));
    window_->Quit();
  });
}

TEST_F(GtkMainWindowTest, ControlsStartWithTheFormsTextsAndSettings) {
  EXPECT_FALSE(gtk_window_get_resizable(GTK_WINDOW(c().window)));
  EXPECT_EQ(std::string(gtk_window_get_title(GTK_WINDOW(c().window)))
                .rfind("Quenlo快手采集无水印视频软件", 0),
            0u);
  EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(c().编辑框_采集次数)), "100");
  EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(c().编辑框_采集延时)), "10");
  EXPECT_EQ(window_->EditText(EditBox::编辑框_去重复), Text());
  EXPECT_TRUE(gtk_toggle_button_get_active(
      GTK_TOGGLE_BUTTON(c().选择框_是否去重复)));
  EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(c().选择框_是否去重复)),
               "是否去重复");
  EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(c().按钮_采集)), "采集");
  EXPECT_FALSE(gtk_widget_has_default(c().按钮_采集));
  // Blanks in labels are shown as en spaces.
  EXPECT_EQ(LabelText(c().透明标签1), "采集次数:");
  EXPECT_EQ(LabelText(c().透明标签2),
            "采集延时:\u2002\u2002\u2002\u2002\u2002\u2002\u2002\u2002\u2002"
            "毫秒");
  EXPECT_EQ(LabelText(c().透明标签3), "");
  EXPECT_STREQ(gtk_link_button_get_uri(GTK_LINK_BUTTON(c().超级链接框1)),
               kLinkAddress);

  GtkTreeView* list = GTK_TREE_VIEW(c().超级列表框1);
  ASSERT_EQ(gtk_tree_view_get_n_columns(list), 7u);
  for (int i = 0; i < 7; ++i) {
    GtkTreeViewColumn* column = gtk_tree_view_get_column(list, i);
    EXPECT_STREQ(gtk_tree_view_column_get_title(column),
                 kListColumns[i].headerUtf8);
    EXPECT_EQ(gtk_tree_view_column_get_fixed_width(column),
              kListColumns[i].width);
    EXPECT_TRUE(gtk_tree_view_column_get_clickable(column));
  }
  EXPECT_STREQ(kListColumns[0].headerUtf8, "ID");
  EXPECT_STREQ(kListColumns[6].headerUtf8, "在线地址");
  EXPECT_EQ(gtk_tree_view_get_grid_lines(list), GTK_TREE_VIEW_GRID_LINES_BOTH);
  EXPECT_EQ(gtk_tree_selection_get_mode(gtk_tree_view_get_selection(list)),
            GTK_SELECTION_SINGLE);
  EXPECT_EQ(window_->RowCount(ListBox::超级列表框1), 0);

  EXPECT_EQ(gtk_text_view_get_wrap_mode(GTK_TEXT_VIEW(c().编辑框_去重复)),
            GTK_WRAP_CHAR);
}

// Tab visits the edit boxes (the hidden one too), the check box, the button
// and the list, and never a label or the hyperlink box.
TEST_F(GtkMainWindowTest, TabReachesEveryInputControlAndTheHiddenBox) {
  RunShown(*window_, [&] {
    gtk_widget_grab_focus(c().按钮_采集);
    std::vector<GtkWidget*> visited;
    for (int i = 0; i < 12; ++i) {
      // What Tab does, without a synthetic key event: those are lost now
      // and then while other test windows come and go on the display.
      g_signal_emit_by_name(c().window, "move-focus", GTK_DIR_TAB_FORWARD);
      GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(c().window));
      if (focus == c().按钮_采集) break;
      visited.push_back(focus);
    }
    auto visits = [&](GtkWidget* w) {
      return std::count(visited.begin(), visited.end(), w) == 1;
    };
    EXPECT_EQ(visited.size(), 5u);
    EXPECT_TRUE(visits(c().编辑框_采集次数));
    EXPECT_TRUE(visits(c().编辑框_采集延时));
    EXPECT_TRUE(visits(c().编辑框_去重复));
    EXPECT_TRUE(visits(c().选择框_是否去重复));
    EXPECT_TRUE(visits(c().超级列表框1));
    window_->Quit();
  });
}

TEST_F(GtkMainWindowTest, TypingIntoTheHiddenBoxChangesTheSeenIdList) {
  RunShown(*window_, [&] {
    window_->SetEditText(EditBox::编辑框_去重复, Text("7\r\n"));
    uint64_t before = window_->EditTextRevision(EditBox::编辑框_去重复);
    gtk_widget_grab_focus(c().编辑框_去重复);
    for (guint key : {GDK_KEY_4, GDK_KEY_2, GDK_KEY_Return}) {
      SendKey(c().window, key);
    }
    EXPECT_EQ(window_->EditText(EditBox::编辑框_去重复), Text("7\r\n42\r\n"));
    EXPECT_GT(window_->EditTextRevision(EditBox::编辑框_去重复), before);
    window_->Quit();
  });
}

// Each control gets a window of its own, so that one close cannot hide
// another.
TEST_F(GtkMainWindowTest, EscapeClosesTheWindowFromEveryControl) {
  using Pick = GtkWidget* (*)(const MainWindowControls&);
  const std::pair<const char*, Pick> cases[] = {
      {"编辑框_采集次数", [](const MainWindowControls& w) { return w.编辑框_采集次数; }},
      {"编辑框_采集延时", [](const MainWindowControls& w) { return w.编辑框_采集延时; }},
      {"编辑框_去重复", [](const MainWindowControls& w) { return w.编辑框_去重复; }},
      {"选择框_是否去重复", [](const MainWindowControls& w) { return w.选择框_是否去重复; }},
      {"按钮_采集", [](const MainWindowControls& w) { return w.按钮_采集; }},
      {"超级列表框1", [](const MainWindowControls& w) { return w.超级列表框1; }},
  };
  for (const auto& [name, pick] : cases) {
    window_ = CreateGtkMainWindow();
    ASSERT_TRUE(window_);
    int requests = 0;
    MainWindowEvents events;
    events.closeRequested = [&] {
      ++requests;
      window_->Quit();
    };
    RunShown(
        *window_,
        [&] {
          GtkWidget* control = pick(c());
          gtk_widget_grab_focus(control);
          ASSERT_EQ(gtk_window_get_focus(GTK_WINDOW(c().window)), control);
          SendKey(c().window, GDK_KEY_Escape);
        },
        events);
    EXPECT_EQ(requests, 1) << name;
  }
}

// Without a handler, Escape and the close button end the loop themselves.
TEST_F(GtkMainWindowTest, UnhandledCloseEndsRunAndHidesTheWindow) {
  for (bool escape : {true, false}) {
    window_ = CreateGtkMainWindow();
    ASSERT_TRUE(window_);
    RunShown(*window_, [&] {
      if (escape) {
        gtk_widget_grab_focus(c().编辑框_采集次数);
        SendKey(c().window, GDK_KEY_Escape);
      } else {
        gtk_window_close(GTK_WINDOW(c().window));
      }
    });
    EXPECT_FALSE(gtk_widget_get_visible(c().window)) << "escape " << escape;
  }
}

TEST_F(GtkMainWindowTest, HeaderClicksKeepRowsInInsertionOrder) {
  const char* const names[] = {"b", "a", "c"};
  for (const char* name : names) {
    int row = window_->InsertRow(ListBox::超级列表框1);
    for (int column = 0; column < 7; ++column) {
      window_->SetCellText(ListBox::超级列表框1, row, column, Text(name));
    }
  }
  RunShown(*window_, [&] {
    GtkTreeView* list = GTK_TREE_VIEW(c().超级列表框1);
    for (int round = 0; round < 2; ++round) {
      for (int column = 0; column < 7; ++column) {
        gtk_tree_view_column_clicked(gtk_tree_view_get_column(list, column));
      }
    }
    window_->Quit();
  });
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(CellText(c().rows, row, 1), names[row]);
  }
  gint sort_column;
  GtkSortType order;
  EXPECT_FALSE(gtk_tree_sortable_get_sort_column_id(
      GTK_TREE_SORTABLE(c().rows), &sort_column, &order));
}

bool RowInView(GtkWidget* list, int row) {
  GtkTreePath* first = nullptr;
  GtkTreePath* last = nullptr;
  if (!gtk_tree_view_get_visible_range(GTK_TREE_VIEW(list), &first, &last)) {
    return false;
  }
  bool in_view = gtk_tree_path_get_indices(first)[0] <= row &&
                 row <= gtk_tree_path_get_indices(last)[0];
  gtk_tree_path_free(first);
  gtk_tree_path_free(last);
  return in_view;
}

// The list has scrolled by the time the operation returns, also right
// after rows were added.
TEST_F(GtkMainWindowTest, MakeRowVisibleScrollsBeforeItReturns) {
  RunShown(*window_, [&] {
    for (int i = 0; i < 200; ++i) {
      int row = window_->InsertRow(ListBox::超级列表框1);
      window_->SetCellText(ListBox::超级列表框1, row, 0, NumberToText(row));
    }
    window_->MakeRowVisible(ListBox::超级列表框1, 199);
    EXPECT_TRUE(RowInView(c().超级列表框1, 199));
    EXPECT_FALSE(RowInView(c().超级列表框1, 0));
    window_->MakeRowVisible(ListBox::超级列表框1, 3);
    EXPECT_TRUE(RowInView(c().超级列表框1, 3));
    EXPECT_FALSE(RowInView(c().超级列表框1, 199));
    window_->Quit();
  });
}

// Every control operation from a thread other than the window's, checked
// against the widgets afterwards.
TEST_F(GtkMainWindowTest, OperationsFromAnotherThreadReachTheWidgets) {
  const Text long_id(std::string(300, '9'));
  std::thread worker;
  MainWindowEvents events;
  events.created = [&] {
    EXPECT_FALSE(gtk_widget_get_visible(c().window));
    worker = std::thread([&] {
      MainWindow& w = *window_;
      EXPECT_EQ(w.EditText(EditBox::编辑框_采集次数), Text("100"));
      EXPECT_EQ(w.EditText(EditBox::编辑框_采集延时), Text("10"));
      EXPECT_TRUE(w.IsChecked(CheckBox::选择框_是否去重复));

      // The program's own change advances the revision by exactly one,
      // though GTK sees a deletion and an insertion.
      uint64_t revision = w.EditTextRevision(EditBox::编辑框_采集延时);
      w.SetEditText(EditBox::编辑框_采集延时, Gbk("五十"));
      EXPECT_EQ(w.EditText(EditBox::编辑框_采集延时), Gbk("五十"));
      EXPECT_EQ(w.EditTextRevision(EditBox::编辑框_采集延时), revision + 1);
      w.AppendEditText(EditBox::编辑框_采集次数, Text("7"));
      EXPECT_EQ(w.EditText(EditBox::编辑框_采集次数), Text("1007"));

      revision = w.EditTextRevision(EditBox::编辑框_去重复);
      w.SetEditText(EditBox::编辑框_去重复, Text("1\r\n"));
      w.SetEditText(EditBox::编辑框_去重复, Text("1\r\n"));
      w.AppendEditText(EditBox::编辑框_去重复, ConcatText(long_id, "\r\n"));
      EXPECT_EQ(w.EditText(EditBox::编辑框_去重复),
                ConcatText("1\r\n", long_id, "\r\n"));
      EXPECT_EQ(w.EditTextRevision(EditBox::编辑框_去重复), revision + 3);

      w.SetLabelCaption(Label::透明标签3, Gbk("采集到:2 条"));
      EXPECT_EQ(w.InsertRow(ListBox::超级列表框1), 0);
      EXPECT_EQ(w.InsertRow(ListBox::超级列表框1), 1);
      EXPECT_EQ(w.RowCount(ListBox::超级列表框1), 2);
      for (int column = 0; column < 7; ++column) {
        w.SetCellText(ListBox::超级列表框1, 1, column,
                      ConcatText(Gbk("列"), NumberToText(column)));
      }
      // Out of range: ignored.
      w.SetCellText(ListBox::超级列表框1, 2, 0, Text("x"));
      w.SetCellText(ListBox::超级列表框1, 0, 7, Text("x"));
      w.MakeRowVisible(ListBox::超级列表框1, 1);
      w.MakeRowVisible(ListBox::超级列表框1, 5);
      w.Hide();
      EXPECT_EQ(w.RowCount(ListBox::超级列表框1), 2) << "serves while hidden";
      w.Quit();
    });
  };
  EXPECT_EQ(RunShown(*window_, [] {}, events), 0);
  worker.join();

  EXPECT_FALSE(gtk_widget_get_visible(c().window));
  EXPECT_EQ(LabelText(c().透明标签3), "采集到:2\u2002条");
  for (int column = 0; column < 7; ++column) {
    EXPECT_EQ(CellText(c().rows, 0, column), "");
    EXPECT_EQ(CellText(c().rows, 1, column),
              "列" + std::to_string(column));
  }
}

TEST_F(GtkMainWindowTest, OperationsAfterTheLoopEndedReturnEmptyAtOnce) {
  window_->InsertRow(ListBox::超级列表框1);
  window_->Run(OnCreated([&] { window_->Quit(); }));
  auto check = [&] {
    MainWindow& w = *window_;
    EXPECT_EQ(w.EditText(EditBox::编辑框_采集次数), Text());
    EXPECT_EQ(w.EditTextRevision(EditBox::编辑框_去重复), 0u);
    EXPECT_FALSE(w.IsChecked(CheckBox::选择框_是否去重复));
    EXPECT_EQ(w.RowCount(ListBox::超级列表框1), 0);
    EXPECT_EQ(w.InsertRow(ListBox::超级列表框1), -1);
    w.SetEditText(EditBox::编辑框_去重复, Text("1"));
    w.AppendEditText(EditBox::编辑框_去重复, Text("1"));
    w.SetLabelCaption(Label::透明标签3, Text("1"));
    w.SetCellText(ListBox::超级列表框1, 0, 0, Text("1"));
    w.MakeRowVisible(ListBox::超级列表框1, 0);
    w.Hide();
  };
  check();
  std::thread(check).join();
  EXPECT_EQ(gtk_tree_model_iter_n_children(GTK_TREE_MODEL(c().rows), nullptr),
            1);
  EXPECT_EQ(CellText(c().rows, 0, 0), "");
}

// A caller waiting for the window thread when the loop ends is released.
TEST_F(GtkMainWindowTest, EndOfLoopReleasesWaitingCallers) {
  std::atomic<bool> calling{false};
  std::vector<std::thread> callers;
  window_->Run(OnCreated([&] {
    for (int i = 0; i < 3; ++i) {
      callers.emplace_back([&] {
        calling = true;
        for (int n = 0; n < 1000; ++n) window_->InsertRow(ListBox::超级列表框1);
      });
    }
    while (!calling) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    window_->Quit();
  }));
  for (std::thread& caller : callers) caller.join();
}

}  // namespace
}  // namespace feed
