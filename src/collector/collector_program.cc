#include <memory>
#include <utility>

#include "collector/collector_app.h"
#include "collector/feed_access.h"
#include "text/environment.h"

namespace feed {

int RunCollectorProgram() {
  ChangeCurrentDirectory(ProgramDirectory());
  std::unique_ptr<MainWindow> window = CreateMainWindow();
  if (!window) return 1;
  CollectorSettings settings;
  settings.directory = ProgramDirectory();
  settings.access = ProductFeedAccess();
  // Neither the window nor the app is ever destroyed: the process ends
  // right after, and a run left behind past the close deadline may still
  // be using both.
  auto* app = new CollectorApp(*window.release(), std::move(settings));
  return app->Run();
}

}  // namespace feed
