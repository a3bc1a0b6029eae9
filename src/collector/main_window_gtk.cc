#include "collector/main_window_gtk.h"

#include <array>
#include <atomic>
#include <functional>
#include <string>

#include "collector/window_thread_handoff_gtk.h"
#include "text/code_page.h"

namespace feed {
namespace {

class GtkMainWindowImpl final : public GtkMainWindow {
 public:
  GtkMainWindowImpl();
  ~GtkMainWindowImpl() override;

  const MainWindowControls& controls() const override { return c_; }
  bool LoopEnded() const override { return handoff_.closed(); }

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

 private:
  // The single-line entry of |box|; null for the multi-line seen-id box.
  GtkEntry* Entry(EditBox box) const;
  GtkTextBuffer* SeenIds() const;
  GtkTreeModel* Rows() const { return GTK_TREE_MODEL(c_.rows); }
  std::string ReadText(EditBox box) const;
  void ScrollRowIntoView(int row);
  // Scrolls the list so that |row| is wholly in view; false when the rows
  // have not been measured yet.
  bool KeepRowInView(int row);
  // Makes the program's change of |box|'s text; bumps its revision once.
  void ChangeText(EditBox box, const std::function<void()>& change);
  void AppendUtf8(EditBox box, const std::string& utf8);

  // The user asked to close (close button, Escape). Window thread.
  void CloseRequested();
  static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer self);
  static gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self);
  static gboolean OnSeenIdKeyPress(GtkWidget* view, GdkEventKey* event,
                                   gpointer);
  static void OnCollectClicked(GtkButton*, gpointer self);
  static void OnTextChanged(gpointer, gpointer revision);
  static void OnToggled(GtkToggleButton* box, gpointer checked);
  static void OnListAllocated(GtkWidget*, GdkRectangle*, gpointer self);
  static void OnFramePainted(GdkFrameClock*, gpointer self);

  MainWindowControls c_;
  WindowThreadHandoff handoff_;
  MainWindowEvents events_;
  std::atomic<bool> quit_{false};
  // Kept current by the window thread as it changes the controls, so that
  // reading them costs no hand-off: indexed by EditBox, bumped by every
  // change of the box's text; the rows in the list; the check box's state.
  std::array<std::atomic<uint64_t>, 3> revisions_{};
  std::array<gpointer, 3> text_owners_{};  // the entry or the text buffer
  std::array<gulong, 3> changed_handlers_{};
  std::atomic<int> row_count_{0};
  std::atomic<bool> checked_{false};
  // The row MakeRowVisible showed last, until the frame after it is
  // painted; -1 for none. Window thread.
  int pinned_row_ = -1;
};

GtkMainWindowImpl::GtkMainWindowImpl() : c_(BuildMainWindowControls()) {
  g_signal_connect(c_.window, "delete-event", G_CALLBACK(OnDelete), this);
  g_signal_connect(c_.window, "key-press-event", G_CALLBACK(OnKeyPress),
                   this);
  g_signal_connect(c_.编辑框_去重复, "key-press-event",
                   G_CALLBACK(OnSeenIdKeyPress), nullptr);
  g_signal_connect(c_.按钮_采集, "clicked", G_CALLBACK(OnCollectClicked),
                   this);
  g_signal_connect_after(c_.超级列表框1, "size-allocate",
                         G_CALLBACK(OnListAllocated), this);
  for (EditBox box : {EditBox::编辑框_采集次数, EditBox::编辑框_采集延时,
                      EditBox::编辑框_去重复}) {
    size_t i = static_cast<size_t>(box);
    text_owners_[i] = Entry(box) != nullptr
                          ? static_cast<gpointer>(Entry(box))
                          : static_cast<gpointer>(SeenIds());
    changed_handlers_[i] =
        g_signal_connect(text_owners_[i], "changed",
                         G_CALLBACK(OnTextChanged), &revisions_[i]);
  }
  checked_ = gtk_toggle_button_get_active(
      GTK_TOGGLE_BUTTON(c_.选择框_是否去重复));
  g_signal_connect(c_.选择框_是否去重复, "toggled", G_CALLBACK(OnToggled),
                   &checked_);
}

GtkMainWindowImpl::~GtkMainWindowImpl() {
  handoff_.Close();
  gtk_widget_destroy(c_.window);
}

GtkEntry* GtkMainWindowImpl::Entry(EditBox box) const {
  switch (box) {
    case EditBox::编辑框_采集次数:
      return GTK_ENTRY(c_.编辑框_采集次数);
    case EditBox::编辑框_采集延时:
      return GTK_ENTRY(c_.编辑框_采集延时);
    case EditBox::编辑框_去重复:
      break;
  }
  return nullptr;
}

GtkTextBuffer* GtkMainWindowImpl::SeenIds() const {
  return gtk_text_view_get_buffer(GTK_TEXT_VIEW(c_.编辑框_去重复));
}

std::string GtkMainWindowImpl::ReadText(EditBox box) const {
  if (GtkEntry* entry = Entry(box)) return gtk_entry_get_text(entry);
  GtkTextIter start, end;
  gtk_text_buffer_get_bounds(SeenIds(), &start, &end);
  char* text = gtk_text_buffer_get_text(SeenIds(), &start, &end, TRUE);
  std::string copy(text);
  g_free(text);
  return copy;
}

Text GtkMainWindowImpl::EditText(EditBox box) {
  std::string utf8;
  handoff_.Call([&] { utf8 = ReadText(box); });
  return Utf8ViewToGbk(utf8);
}

uint64_t GtkMainWindowImpl::EditTextRevision(EditBox box) {
  if (handoff_.closed()) return 0;
  return revisions_[static_cast<size_t>(box)].load();
}

void GtkMainWindowImpl::ChangeText(EditBox box,
                                   const std::function<void()>& change) {
  // GTK reports a replacement as a deletion and an insertion; the program's
  // own change counts once, so that a caller can tell it from the user's.
  size_t i = static_cast<size_t>(box);
  g_signal_handler_block(text_owners_[i], changed_handlers_[i]);
  change();
  g_signal_handler_unblock(text_owners_[i], changed_handlers_[i]);
  ++revisions_[i];
}

void GtkMainWindowImpl::SetEditText(EditBox box, const Text& text) {
  std::string utf8 = GbkToUtf8(text);
  handoff_.Call([&] {
    ChangeText(box, [&] {
      if (GtkEntry* entry = Entry(box)) {
        gtk_entry_set_text(entry, utf8.c_str());
      } else {
        gtk_text_buffer_set_text(SeenIds(), utf8.data(),
                                 static_cast<gint>(utf8.size()));
      }
    });
  });
}

void GtkMainWindowImpl::AppendEditText(EditBox box, const Text& text) {
  std::string utf8 = GbkToUtf8(text);
  handoff_.Call([&] { ChangeText(box, [&] { AppendUtf8(box, utf8); }); });
}

void GtkMainWindowImpl::AppendUtf8(EditBox box, const std::string& utf8) {
  if (GtkEntry* entry = Entry(box)) {
    GtkEditable* editable = GTK_EDITABLE(entry);
    gint end = gtk_entry_get_text_length(entry);
    gtk_editable_set_position(editable, -1);
    gtk_editable_insert_text(editable, utf8.data(),
                             static_cast<gint>(utf8.size()), &end);
    gtk_editable_set_position(editable, -1);
    return;
  }
  GtkTextBuffer* buffer = SeenIds();
  GtkTextIter end;
  gtk_text_buffer_get_end_iter(buffer, &end);
  gtk_text_buffer_insert(buffer, &end, utf8.data(),
                         static_cast<gint>(utf8.size()));
  gtk_text_buffer_place_cursor(buffer, &end);
  gtk_text_view_scroll_mark_onscreen(GTK_TEXT_VIEW(c_.编辑框_去重复),
                                     gtk_text_buffer_get_insert(buffer));
}

bool GtkMainWindowImpl::IsChecked(CheckBox) {
  return !handoff_.closed() && checked_.load();
}

void GtkMainWindowImpl::SetLabelCaption(Label label, const Text& caption) {
  std::string utf8 = GbkToUtf8(caption);
  GtkWidget* widget = label == Label::透明标签1   ? c_.透明标签1
                      : label == Label::透明标签2 ? c_.透明标签2
                                                  : c_.透明标签3;
  handoff_.Call([&] { SetLabelCaptionUtf8(widget, utf8.c_str()); });
}

int GtkMainWindowImpl::InsertRow(ListBox) {
  int index = -1;
  handoff_.Call([&] {
    GtkTreeIter iter;
    gtk_list_store_insert_with_valuesv(c_.rows, &iter, -1, nullptr, nullptr,
                                       0);
    index = gtk_tree_model_iter_n_children(Rows(), nullptr) - 1;
    row_count_ = index + 1;
  });
  return index;
}

int GtkMainWindowImpl::RowCount(ListBox) {
  return handoff_.closed() ? 0 : row_count_.load();
}

void GtkMainWindowImpl::SetCellText(ListBox, int row, int column,
                                    const Text& text) {
  if (row < 0 || column < 0 ||
      column >= static_cast<int>(kListColumns.size())) {
    return;
  }
  std::string utf8 = GbkToUtf8(text);
  handoff_.Call([&] {
    GtkTreeIter iter;
    if (gtk_tree_model_iter_nth_child(Rows(), &iter, nullptr, row)) {
      gtk_list_store_set(c_.rows, &iter, column, utf8.c_str(), -1);
    }
  });
}

void GtkMainWindowImpl::MakeRowVisible(ListBox, int row) {
  if (row < 0) return;
  handoff_.Call([&] {
    if (row >= gtk_tree_model_iter_n_children(Rows(), nullptr)) return;
    ScrollRowIntoView(row);
  });
}

void GtkMainWindowImpl::ScrollRowIntoView(int row) {
  // The list scrolls by itself only at its next layout, before the next
  // frame; here it scrolls at once, so that the row is in view when the
  // operation returns.
  GtkTreeView* view = GTK_TREE_VIEW(c_.超级列表框1);
  if (!KeepRowInView(row)) {
    // Rows added before the list was first measured have no height yet;
    // a full layout measures them.
    gtk_widget_queue_resize(GTK_WIDGET(view));
    gtk_container_check_resize(GTK_CONTAINER(c_.window));
    if (!KeepRowInView(row)) {
      // Never shown: the list scrolls once it is.
      GtkTreePath* path = gtk_tree_path_new_from_indices(row, -1);
      gtk_tree_view_scroll_to_cell(view, path, nullptr, FALSE, 0.0f, 0.0f);
      gtk_tree_path_free(path);
      return;
    }
  }
  // The next layout may still change the height of the list's visible
  // part (a scroll bar comes or goes, the scrolled window tries sizes):
  // until that frame is painted, every layout puts the row back in view.
  pinned_row_ = row;
}

bool GtkMainWindowImpl::KeepRowInView(int row) {
  // All rows are one height (the list's fixed-height mode), so a measured
  // row's place follows from its index.
  GtkTreeView* view = GTK_TREE_VIEW(c_.超级列表框1);
  GtkAdjustment* scroll = gtk_scrollable_get_vadjustment(GTK_SCROLLABLE(view));
  GtkTreePath* path = gtk_tree_path_new_from_indices(row, -1);
  GdkRectangle area;
  gtk_tree_view_get_background_area(view, path, nullptr, &area);
  gtk_tree_path_free(path);
  int value = static_cast<int>(gtk_adjustment_get_value(scroll));
  int top = value + area.y;  // |area| counts from the first row in view
  if (area.height <= 0 || top != row * area.height) return false;
  int bottom = top + area.height;
  int page = static_cast<int>(gtk_adjustment_get_page_size(scroll));
  // The scroll range, too, grows with the rows only at the next layout,
  // which will set the same value.
  if (bottom > gtk_adjustment_get_upper(scroll)) {
    gtk_adjustment_set_upper(scroll, bottom);
  }
  if (top < value) {
    gtk_adjustment_set_value(scroll, top);
  } else if (bottom > value + page) {
    gtk_adjustment_set_value(scroll, bottom - page);
  }
  return true;
}

void GtkMainWindowImpl::OnListAllocated(GtkWidget*, GdkRectangle*,
                                        gpointer self) {
  auto* window = static_cast<GtkMainWindowImpl*>(self);
  if (window->pinned_row_ >= 0) window->KeepRowInView(window->pinned_row_);
}

void GtkMainWindowImpl::OnFramePainted(GdkFrameClock*, gpointer self) {
  static_cast<GtkMainWindowImpl*>(self)->pinned_row_ = -1;
}

int GtkMainWindowImpl::Run(const MainWindowEvents& events) {
  events_ = events;
  if (events_.created) events_.created();
  if (!quit_.load()) {
    gtk_widget_show(c_.window);
    g_signal_connect(gtk_widget_get_frame_clock(c_.window), "after-paint",
                     G_CALLBACK(OnFramePainted), this);
    // Quit raises the flag and wakes the context, so no request to end is
    // lost, not even one made before the loop started.
    while (!quit_.load()) g_main_context_iteration(nullptr, TRUE);
  }
  handoff_.Close();
  gtk_widget_hide(c_.window);
  return 0;
}

void GtkMainWindowImpl::Hide() {
  handoff_.Call([&] { gtk_widget_hide(c_.window); });
}

void GtkMainWindowImpl::Quit() {
  quit_.store(true);
  g_main_context_wakeup(nullptr);
}

void GtkMainWindowImpl::CloseRequested() {
  if (events_.closeRequested) {
    events_.closeRequested();
    return;
  }
  gtk_widget_hide(c_.window);
  Quit();
}

gboolean GtkMainWindowImpl::OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
  static_cast<GtkMainWindowImpl*>(self)->CloseRequested();
  return TRUE;  // the widgets live as long as this object
}

gboolean GtkMainWindowImpl::OnKeyPress(GtkWidget*, GdkEventKey* event,
                                       gpointer self) {
  // Seen here before any control: no control can claim Escape.
  if (event->keyval != GDK_KEY_Escape) return FALSE;
  static_cast<GtkMainWindowImpl*>(self)->CloseRequested();
  return TRUE;
}

gboolean GtkMainWindowImpl::OnSeenIdKeyPress(GtkWidget* view,
                                             GdkEventKey* event, gpointer) {
  GtkTextView* text_view = GTK_TEXT_VIEW(view);
  if (gtk_text_view_im_context_filter_keypress(text_view, event)) return TRUE;
  if (event->keyval != GDK_KEY_Return && event->keyval != GDK_KEY_KP_Enter &&
      event->keyval != GDK_KEY_ISO_Enter) {
    return FALSE;
  }
  // A line typed here ends as every id of the list does.
  GtkTextBuffer* buffer = gtk_text_view_get_buffer(text_view);
  gtk_text_buffer_delete_selection(buffer, TRUE, TRUE);
  gtk_text_buffer_insert_interactive_at_cursor(buffer, "\r\n", 2, TRUE);
  gtk_text_view_scroll_mark_onscreen(text_view,
                                     gtk_text_buffer_get_insert(buffer));
  return TRUE;
}

void GtkMainWindowImpl::OnCollectClicked(GtkButton*, gpointer self) {
  auto* window = static_cast<GtkMainWindowImpl*>(self);
  if (window->events_.collectClicked) window->events_.collectClicked();
}

void GtkMainWindowImpl::OnTextChanged(gpointer, gpointer revision) {
  ++*static_cast<std::atomic<uint64_t>*>(revision);
}

void GtkMainWindowImpl::OnToggled(GtkToggleButton* box, gpointer checked) {
  *static_cast<std::atomic<bool>*>(checked) =
      gtk_toggle_button_get_active(box);
}

}  // namespace

std::unique_ptr<GtkMainWindow> CreateGtkMainWindow() {
  if (!gtk_init_check(nullptr, nullptr)) return nullptr;
  return std::make_unique<GtkMainWindowImpl>();
}

std::unique_ptr<MainWindow> CreateMainWindow() { return CreateGtkMainWindow(); }

}  // namespace feed
