// The GTK window against the contract every window meets, and the
// program's handlers on it.

#include <gtk/gtk.h>

#include <cstdlib>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "collector/collector_app_test.h"
#include "collector/main_window_contract_test.h"
#include "collector/main_window_gtk.h"
#include "text/code_page.h"

namespace feed {
namespace {

// Looks at the widgets on the window's thread: directly when called there
// (from a handler), otherwise through an idle source of the window's loop,
// which runs after GTK's own pending layout and drawing.
class GtkWindowProbe final : public MainWindowProbe {
 public:
  explicit GtkWindowProbe(GtkMainWindow& window)
      : window_(window),
        c_(window.controls()),
        thread_(std::this_thread::get_id()) {}

  Text CellText(int row, int column) override {
    std::string utf8;
    OnWindowThread([&] {
      GtkTreeIter iter;
      char* text = nullptr;
      if (gtk_tree_model_iter_nth_child(GTK_TREE_MODEL(c_.rows), &iter,
                                        nullptr, row)) {
        gtk_tree_model_get(GTK_TREE_MODEL(c_.rows), &iter, column, &text, -1);
      }
      if (text != nullptr) utf8 = text;
      g_free(text);
    });
    return Utf8ViewToGbk(utf8);
  }

  Text LabelCaption(Label label) override {
    GtkWidget* widget = label == Label::透明标签1   ? c_.透明标签1
                        : label == Label::透明标签2 ? c_.透明标签2
                                                    : c_.透明标签3;
    std::string utf8;
    OnWindowThread([&] { utf8 = gtk_label_get_text(GTK_LABEL(widget)); });
    // The label shows blanks as en spaces.
    std::string blanks;
    for (size_t at = 0; at < utf8.size(); ++at) {
      if (utf8.compare(at, 3, "\xE2\x80\x82") == 0) {
        blanks += ' ';
        at += 2;
      } else {
        blanks += utf8[at];
      }
    }
    return Utf8ViewToGbk(blanks);
  }

  bool IsRowInView(int row) override {
    bool in_view = false;
    OnWindowThread([&] {
      GtkTreePath* first = nullptr;
      GtkTreePath* last = nullptr;
      if (gtk_tree_view_get_visible_range(GTK_TREE_VIEW(c_.超级列表框1),
                                          &first, &last)) {
        in_view = gtk_tree_path_get_indices(first)[0] <= row &&
                  row <= gtk_tree_path_get_indices(last)[0];
        gtk_tree_path_free(first);
        gtk_tree_path_free(last);
      }
    });
    return in_view;
  }

  bool IsShown() override {
    bool shown = false;
    OnWindowThread([&] { shown = gtk_widget_get_visible(c_.window); });
    return shown;
  }

  void ClickCheckBox() override {
    OnWindowThread([&] { gtk_button_clicked(GTK_BUTTON(c_.选择框_是否去重复)); });
  }
  void ClickCollect() override {
    OnWindowThread([&] { gtk_button_clicked(GTK_BUTTON(c_.按钮_采集)); });
  }
  // What the caption bar's close button does.
  void PressClose() override {
    OnWindowThread([&] { gtk_window_close(GTK_WINDOW(c_.window)); });
  }

 private:
  // Waits for |work| to run, but gives up without it once the window's
  // loop has ended (the program may quit at any moment in these tests);
  // the idle source is then removed so that it never runs later.
  void OnWindowThread(const std::function<void()>& work) {
    if (std::this_thread::get_id() == thread_) {
      work();
      return;
    }
    // Shared by the caller and the idle source, freed by whichever lets go
    // last. The job crosses through GLib's queue, whose ordering
    // ThreadSanitizer cannot see, so the caller holds the job's mutex from
    // before the source is attached and the callback takes it first.
    struct Job {
      std::atomic<int> owners{2};
      std::mutex mutex;
      std::condition_variable finished;
      const std::function<void()>* work = nullptr;  // null: given up
      bool done = false;
      static void Release(gpointer data) {
        auto* job = static_cast<Job*>(data);
        if (job->owners.fetch_sub(1) == 1) delete job;
      }
    };
    auto* job = new Job;
    std::unique_lock<std::mutex> lock(job->mutex);
    job->work = &work;
    GSource* source = g_idle_source_new();
    g_source_set_callback(
        source,
        [](gpointer data) -> gboolean {
          auto* j = static_cast<Job*>(data);
          std::lock_guard<std::mutex> hold(j->mutex);
          if (j->work != nullptr) (*j->work)();
          j->done = true;
          j->finished.notify_all();
          return G_SOURCE_REMOVE;
        },
        job, &Job::Release);
    g_source_attach(source, nullptr);
    while (!job->finished.wait_for(lock, std::chrono::milliseconds(10),
                                   [job] { return job->done; })) {
      if (window_.LoopEnded()) {
        job->work = nullptr;
        break;
      }
    }
    bool done = job->done;
    lock.unlock();
    if (!done) g_source_destroy(source);
    g_source_unref(source);
    Job::Release(job);
  }

  GtkMainWindow& window_;
  const MainWindowControls& c_;
  const std::thread::id thread_;
};

MainWindowContract GtkWindowContract() {
  return MainWindowContract{
      "Gtk",
      []() -> std::unique_ptr<MainWindow> {
        if (std::getenv("DISPLAY") == nullptr) return nullptr;
        return CreateGtkMainWindow();
      },
      [](MainWindow& window) -> std::unique_ptr<MainWindowProbe> {
        return std::make_unique<GtkWindowProbe>(
            static_cast<GtkMainWindow&>(window));
      }};
}

std::string ContractName(
    const testing::TestParamInfo<MainWindowContract>& info) {
  return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Gtk, MainWindowContractTest,
                         testing::Values(GtkWindowContract()), ContractName);
INSTANTIATE_TEST_SUITE_P(Gtk, CollectorAppTest,
                         testing::Values(GtkWindowContract()), ContractName);

}  // namespace
}  // namespace feed
