#include "collector/feed_record.h"

#include <gtest/gtest.h>

#include <string>

namespace feed {
namespace {

// One item as the feed writes it, the way a piece cut at "reco_reason"
// holds it (code page 936 bytes; 中文 is D6 D0 CE C4).
const char kPiece[] =
    "\":\"\"},{\"user_name\":\"\xD6\xD0\xCE\xC4\",\"user_id\":123456789,"
    "\"caption\":\"hello \\\"world\\\" #tag\\n\",\"time\":\"2026-12-01 "
    "08:09:10\",\"timestamp\":1764547750000,\"photo_id\":5230948571230948571,"
    "\"main_mv_url\":\"http://txmov2.a.yximgs.com/upic/2026/12/01/x_b.mp4?tag="
    "1\",\"main_mv_urls\":[{\"url\":\"http://a/x.mp4\"}],\"";

TEST(FeedRecordTest, TakesEveryFieldVerbatim) {
  FeedRecord record = ExtractFeedRecord(kPiece);
  EXPECT_EQ(record.user_name, Text("\xD6\xD0\xCE\xC4"));
  EXPECT_EQ(record.user_id, Text("123456789"));
  EXPECT_EQ(record.caption, Text("hello \\\"world\\\" #tag\\n"));
  EXPECT_EQ(record.time, Text("2026-12-01 08:09:10"));
  EXPECT_EQ(record.photo_id, Text("5230948571230948571"));
  EXPECT_EQ(record.main_mv_url,
            Text("http://txmov2.a.yximgs.com/upic/2026/12/01/x_b.mp4"));
}

TEST(FeedRecordTest, FieldEdgeCases) {
  struct Case {
    const char* name;
    const char* piece;
    FeedRecord expected;
  };
  const Case cases[] = {
      {"no markers at all", "{\"result\":2,\"error_msg\":\"x\"}",
       {"", "", "", "", "", "mp4"}},
      {"empty piece", "", {"", "", "", "", "", "mp4"}},
      {"a key that ends in the same letters matches first",
       "\"create_time\":\"early\",\"time\":\"late\",",
       {"", "early", "", "", "", "mp4"}},
      {"escaped quote then comma ends the caption",
       "\"caption\":\"say \\\"hi\\\", ok\",",
       {"say \\\"hi\\", "", "", "", "", "mp4"}},
      {"quoted id keeps its quotes", "\"photo_id\":\"42\",\"user_id\":7,",
       {"", "", "\"42\"", "7", "", "mp4"}},
      {"last key of its object runs past the brace",
       "\"user_id\":9},{\"a\":1,", {"", "", "", "9}", "", "mp4"}},
      {"marker without its end marker", "\"caption\":\"no end",
       {"", "", "", "", "", "mp4"}},
      {"address without mp4", "\"main_mv_url\":\"http://h/x.flv\",",
       {"", "", "", "", "", "mp4"}},
      {"address ends at the first mp4",
       "\"main_mv_url\":\"http://h/mp4/x.mp4\",",
       {"", "", "", "", "", "http://h/mp4"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ExtractFeedRecord(c.piece), c.expected);
  }
}

TEST(FeedRecordTest, CdnHostRules) {
  struct Case {
    const char* name;
    const char* piece;
    const char* expected_url;
  };
  const Case cases[] = {
      {"first host is taken again up to .mp4",
       "\"main_mv_url\":\"http://jsmov2.a.yximgs.com/mp4s/a.mp4?x=mp4\"],",
       "http://jsmov2.a.yximgs.com/mp4s/a.mp4"},
      {"first host without ] after the marker",
       "\"main_mv_url\":\"http://jsmov2.a.yximgs.com/a.mp4\",",
       ".mp4"},
      {"first host, re-taken text without .mp4",
       "\"main_mv_url\":\"http://jsmov2.a.yximgs.com/a_mp4\"]",
       ".mp4"},
      {"second host is replaced by the third",
       "\"main_mv_url\":\"http://alimov2.a.yximgs.com/a.mp4\",",
       "http://txmov2.a.yximgs.com/a.mp4"},
      {"second host in other letter case stays",
       "\"main_mv_url\":\"http://ALIMOV2.A.YXIMGS.COM/a.mp4\",",
       "http://ALIMOV2.A.YXIMGS.COM/a.mp4"},
      {"both rules: the re-taken text names the second host",
       "\"main_mv_url\":\"http://jsmov2.a.yximgs.com/r?u=alimov2.a.yximgs.com/"
       "b.mp4\"]",
       "http://jsmov2.a.yximgs.com/r?u=txmov2.a.yximgs.com/b.mp4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ExtractFeedRecord(c.piece).main_mv_url, Text(c.expected_url));
  }
  // The rules see the address first; the piece matters only for the first.
  EXPECT_EQ(NormaliseVideoUrl("http://alimov2.a.yximgs.com/alimov2.a.yximgs.com"
                              "/c.mp4",
                              Text()),
            Text("http://txmov2.a.yximgs.com/txmov2.a.yximgs.com/c.mp4"));
}

}  // namespace
}  // namespace feed
