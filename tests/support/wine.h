// Whether the tests run under Wine, for the few cases where Wine's system
// libraries are known to behave differently from Windows: such a case is
// skipped under Wine with its reason and still runs elsewhere.

#ifndef FEED_COLLECTOR_TESTS_SUPPORT_WINE_H_
#define FEED_COLLECTOR_TESTS_SUPPORT_WINE_H_

namespace feed {

// True in a Windows program running under Wine; false on Windows itself and
// in native programs.
bool RunningUnderWine();

}  // namespace feed

#endif  // FEED_COLLECTOR_TESTS_SUPPORT_WINE_H_
