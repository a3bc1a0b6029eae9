#include "tests/support/feed_reply_fixture.h"

#include <cstdio>
#include <random>

namespace feed {
namespace {

const char* const kNames[] = {
    "小雨同学", "广州美食探店", "Lucky猫", "爱旅行的阿杰", "程序员老王",
    "\\\"引号\\\"哥", "舞蹈❤️小七", "一只柯基"};

const char* const kCaptions[] = {
    "拍摄于广州塔下的夜景，太美了！#旅行 #夜景 ",
    "今天做了一道红烧肉，\\\"肥而不腻\\\"，你们觉得怎么样？\\n#美食 ",
    "Good morning ☀️ 新的一天加油💪 #日常 ",
    "第一次尝试这个舞蹈，求点赞👍\\n@小七 #舞蹈 ",
    "程序员的一天：写代码、改bug、再写代码…… #程序员 ",
    "柯基的屁股谁能拒绝🐶 #萌宠 #柯基 ",
};

const char* const kHosts[] = {"txmov2.a.yximgs.com", "jsmov2.a.yximgs.com",
                              "alimov2.a.yximgs.com"};

std::string Digits(std::mt19937& random, int count) {
  std::string out(1, static_cast<char>('1' + random() % 9));
  while (static_cast<int>(out.size()) < count) {
    out.push_back(static_cast<char>('0' + random() % 10));
  }
  return out;
}

}  // namespace

std::vector<FixtureItem> MakeFixtureItems(int count, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<FixtureItem> items;
  for (int i = 0; i < count; ++i) {
    FixtureItem item;
    item.user_name = kNames[random() % std::size(kNames)];
    item.user_id = Digits(random, 9);
    item.caption = kCaptions[random() % std::size(kCaptions)];
    char time[32];
    auto pick = [&random](unsigned range) {
      return static_cast<unsigned>(random() % range);
    };
    std::snprintf(time, sizeof time, "2026-%02u-%02u %02u:%02u:%02u",
                  1 + pick(12), 1 + pick(28), pick(24), pick(60), pick(60));
    item.time = time;
    item.photo_id = Digits(random, 19);
    item.main_mv_url = std::string("http://") + kHosts[random() % 3] +
                       "/upic/2026/12/01/" + Digits(random, 14) + "_b_" +
                       item.photo_id + ".mp4?tag=1-" + Digits(random, 10);
    items.push_back(std::move(item));
  }
  return items;
}

std::string MakeFeedReplyUtf8(const std::vector<FixtureItem>& items) {
  std::string out = "{\"result\":1,\"host-name\":\"hb2-acs-xx\",\"feeds\":[";
  for (size_t i = 0; i < items.size(); ++i) {
    const FixtureItem& it = items[i];
    if (i > 0) out += ',';
    out += "{\"user_id\":" + it.user_id + ",\"user_name\":\"" + it.user_name +
           "\",\"user_sex\":\"F\",\"headurl\":\"http://static.yximgs.com/s1/"
           "i/def/head_f.png\",\"caption\":\"" + it.caption +
           "\",\"exp_tag\":\"1_i/" + it.photo_id +
           "_f" + std::to_string(i) + "\",\"type\":1,\"time\":\"" + it.time +
           "\",\"timestamp\":1764547750000,\"photo_id\":" + it.photo_id +
           ",\"like_count\":" + std::to_string(100 + i * 7) +
           ",\"comment_count\":" + std::to_string(3 + i) +
           ",\"view_count\":" + std::to_string(10000 + i * 131) +
           ",\"duration\":12345,\"main_mv_url\":\"" + it.main_mv_url +
           "\",\"main_mv_urls\":[{\"cdn\":\"txmov2.a.yximgs.com\",\"url\":\"" +
           it.main_mv_url +
           "\"}],\"cover_thumbnail_urls\":[{\"cdn\":\"tx2.a.yximgs.com\","
           "\"url\":\"http://tx2.a.yximgs.com/upic/cover.jpg\"}],"
           "\"reco_reason\":\"hot\"}";
  }
  out += "],\"llsid\":\"1234567890123456789\",\"pcursor\":\"1\","
         "\"new_notify\":0}";
  return out;
}

}  // namespace feed
