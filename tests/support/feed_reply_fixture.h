// Realistic feed replies for tests, benchmarks and fuzz seeds: UTF-8 JSON
// shaped like the service's feed, with Chinese captions, emoji, escaped
// quotes and "\n", 19-digit ids and video addresses on the three CDN hosts.
// Every item ends with its "reco_reason" key, so that cutting the reply at
// "reco_reason" gives one item per piece: the first piece holds the reply's
// head and the first item, and a last piece holds no item, only the end of
// the last item and the reply's paging fields.

#ifndef FEED_COLLECTOR_TESTS_SUPPORT_FEED_REPLY_FIXTURE_H_
#define FEED_COLLECTOR_TESTS_SUPPORT_FEED_REPLY_FIXTURE_H_

#include <cstdint>
#include <string>
#include <vector>

namespace feed {

// What one item of a fixture reply holds, as UTF-8 and as the reply writes
// it (JSON escapes left in place).
struct FixtureItem {
  std::string user_name;
  std::string user_id;
  std::string caption;
  std::string time;
  std::string photo_id;
  std::string main_mv_url;  // as served
};

// |count| items made from |seed|; the same seed gives the same items.
std::vector<FixtureItem> MakeFixtureItems(int count, uint32_t seed);

// The whole reply for |items|.
std::string MakeFeedReplyUtf8(const std::vector<FixtureItem>& items);

}  // namespace feed

#endif  // FEED_COLLECTOR_TESTS_SUPPORT_FEED_REPLY_FIXTURE_H_
