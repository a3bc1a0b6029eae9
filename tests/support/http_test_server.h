// The local HTTP test server (tests/support/http_test_server.py) as tests
// reach it. ctest starts it once for a run and leaves its port in
// "http_test_server/port" under the build directory, the tests' working
// directory; FEED_HTTP_TEST_SERVER=host:port names another one.
//
// Tests that need it derive their fixture from TestServerTest, which skips
// them with a clear message when no server is there.

#ifndef FEED_COLLECTOR_TESTS_SUPPORT_HTTP_TEST_SERVER_H_
#define FEED_COLLECTOR_TESTS_SUPPORT_HTTP_TEST_SERVER_H_

#include <gtest/gtest.h>

#include <string>

#include "text/text_primitives.h"

namespace feed {

// "127.0.0.1:port", or empty when no test server is known.
std::string TestServerAddress();

// "http://" + TestServerAddress() + |pathAndQuery|.
Text TestServerUrl(const std::string& pathAndQuery);

class TestServerTest : public testing::Test {
 protected:
  void SetUp() override {
    if (TestServerAddress().empty()) {
      GTEST_SKIP() << "the HTTP test server is not running: run the tests "
                      "through ctest, or start tests/support/"
                      "http_test_server.py and set FEED_HTTP_TEST_SERVER";
    }
  }
};

}  // namespace feed

#endif  // FEED_COLLECTOR_TESTS_SUPPORT_HTTP_TEST_SERVER_H_
