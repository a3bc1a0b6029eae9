// The process environment: the program's own directory and the dispatch of
// window messages waiting for the calling thread.

#ifndef FEED_COLLECTOR_TEXT_ENVIRONMENT_H_
#define FEED_COLLECTOR_TEXT_ENVIRONMENT_H_

#include "text/text_primitives.h"

namespace feed {

// The full path of the directory that holds the program file, taken once
// at the first call, without a trailing separator. On Windows the module's
// path (a program in a drive's root gives "C:"); elsewhere the executable's
// path. Empty when the system cannot tell.
Text ProgramDirectory();

// Makes |directory| the process's current directory; false on failure.
bool ChangeCurrentDirectory(const Text& directory);

// Dispatches, one at a time through translate-and-dispatch, the window
// messages waiting in the calling thread's queue, until none is waiting or
// the next is the quit message (which stays queued). Never waits. Does
// nothing where threads have no message queue (POSIX).
void ProcessEvents();

}  // namespace feed

#endif  // FEED_COLLECTOR_TEXT_ENVIRONMENT_H_
