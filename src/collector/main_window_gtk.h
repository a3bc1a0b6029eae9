// The main window on GTK 3: the form's controls (main_window_controls_gtk.h)
// behind the MainWindow interface, with every control operation handed to
// the GTK main loop's thread and waited for (window_thread_handoff_gtk.h).
//
// The window thread is the one that initialised GTK and created the
// window; it runs the default main context in Run. The row count, the
// check box's state and the edit boxes' revisions are read from copies the
// window thread updates with every change, without a hand-off; they give
// what a hand-off would. Texts cross the
// interface as GBK and are converted to and from GTK's UTF-8 on the
// calling thread, so the window thread only copies them.

#ifndef FEED_COLLECTOR_COLLECTOR_MAIN_WINDOW_GTK_H_
#define FEED_COLLECTOR_COLLECTOR_MAIN_WINDOW_GTK_H_

#include <memory>

#include "collector/main_window.h"
#include "collector/main_window_controls_gtk.h"

namespace feed {

class GtkMainWindow : public MainWindow {
 public:
  // The widgets, for tests that check the form itself. Window thread only.
  virtual const MainWindowControls& controls() const = 0;
  // True once the message loop has ended: work handed to the window's
  // thread from now on would never run. Any thread.
  virtual bool LoopEnded() const = 0;
};

// Initialises GTK on the calling thread if needed and builds the window
// there; null when there is no display to show it on.
std::unique_ptr<GtkMainWindow> CreateGtkMainWindow();

}  // namespace feed

#endif  // FEED_COLLECTOR_COLLECTOR_MAIN_WINDOW_GTK_H_
