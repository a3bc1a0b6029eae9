#include "tests/support/wine.h"

namespace feed {

bool RunningUnderWine() { return false; }

}  // namespace feed
