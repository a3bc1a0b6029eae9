#include "text/pumping_wait.h"

namespace feed {
namespace {

double MillisecondsPerUnit(int unit) {
  switch (unit) {
    case 0:
      return 1;
    case 1:
      return 1000;
    case 2:
      return 60000;
    case 3:
      return 3600000;
    default:
      return unit;
  }
}

}  // namespace

int64_t PumpingWaitDueTime(int interval, int unit) {
  double milliseconds = interval * MillisecondsPerUnit(unit);
  if (milliseconds <= 0) return 0;
  double due = milliseconds * -10000;
  if (due <= -static_cast<double>(kLongestWaitDueTime)) {
    return -kLongestWaitDueTime;
  }
  return static_cast<int64_t>(due);  // truncates toward zero
}

}  // namespace feed
