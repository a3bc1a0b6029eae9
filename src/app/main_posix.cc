// Entry point on Linux and other POSIX desktops.

#include "collector/collector_app.h"

int main() { return feed::RunCollectorProgram(); }
