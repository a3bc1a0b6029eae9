// The two conditions that end the program: exhausted memory and a
// programming error such as a text-array index out of range.

#ifndef FEED_COLLECTOR_TEXT_FATAL_ERROR_H_
#define FEED_COLLECTOR_TEXT_FATAL_ERROR_H_

#include <string_view>

namespace feed {

// Exit code of a process ended by FatalError.
inline constexpr int kFatalExitCode = 3;

// Shows |message| to the user through the installed reporter (standard error
// by default), then ends the process at once with kFatalExitCode. Callable
// from any thread.
[[noreturn]] void FatalError(std::string_view message);

// Replaces the reporter; a graphical program installs one that shows a
// message box. |reporter| must itself not end the process. Call before any
// other thread starts.
using FatalReporter = void (*)(std::string_view message);
void SetFatalReporter(FatalReporter reporter);

// Makes a failed allocation end the program through FatalError instead of
// throwing.
void InstallOutOfMemoryHandler();

}  // namespace feed

#endif  // FEED_COLLECTOR_TEXT_FATAL_ERROR_H_
