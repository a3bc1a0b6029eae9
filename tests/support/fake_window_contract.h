// The in-memory window as the window test suites take it: a factory and a
// probe (MainWindowContract), for instantiating suites over the fake.

#ifndef FEED_COLLECTOR_TESTS_SUPPORT_FAKE_WINDOW_CONTRACT_H_
#define FEED_COLLECTOR_TESTS_SUPPORT_FAKE_WINDOW_CONTRACT_H_

#include "collector/main_window_contract_test.h"

namespace feed {

MainWindowContract FakeWindowContract();

}  // namespace feed

#endif  // FEED_COLLECTOR_TESTS_SUPPORT_FAKE_WINDOW_CONTRACT_H_
