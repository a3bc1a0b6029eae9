#include "text/fatal_error.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace feed {
namespace {

void ReportToStandardError(std::string_view message) {
  std::fprintf(stderr, "feed-collector: fatal: %.*s\n",
               static_cast<int>(message.size()), message.data());
  std::fflush(stderr);
}

std::atomic<FatalReporter> g_reporter{&ReportToStandardError};

void OnOutOfMemory() { FatalError("out of memory"); }

}  // namespace

void FatalError(std::string_view message) {
  g_reporter.load()(message);
  // No unwinding and no exit handlers: other threads may still be running.
  std::_Exit(kFatalExitCode);
}

void SetFatalReporter(FatalReporter reporter) {
  g_reporter.store(reporter ? reporter : &ReportToStandardError);
}

void InstallOutOfMemoryHandler() { std::set_new_handler(&OnOutOfMemory); }

}  // namespace feed
