#include "tests/support/http_test_server.h"

#include <cstdlib>
#include <fstream>

namespace feed {

std::string TestServerAddress() {
  static const std::string address = [] {
    if (const char* named = std::getenv("FEED_HTTP_TEST_SERVER")) {
      if (*named != '\0') return std::string(named);
    }
    std::ifstream file("http_test_server/port");
    int port = 0;
    if (!(file >> port) || port <= 0) return std::string();
    return "127.0.0.1:" + std::to_string(port);
  }();
  return address;
}

Text TestServerUrl(const std::string& pathAndQuery) {
  return Text("http://" + TestServerAddress() + pathAndQuery);
}

}  // namespace feed
