#include "collector/seen_id_index.h"

#include <gtest/gtest.h>

#include <string>

namespace feed {
namespace {

TEST(SeenIdIndexTest, WholeLinesOnly) {
  SeenIdIndex index;
  index.Rebuild("12345\r\n\r\n678\n9");
  EXPECT_TRUE(index.Contains("12345"));
  EXPECT_TRUE(index.Contains("678"));
  EXPECT_TRUE(index.Contains("9"));
  EXPECT_FALSE(index.Contains("234"));
  EXPECT_FALSE(index.Contains("1234"));
  EXPECT_FALSE(index.Contains(""));
  EXPECT_FALSE(index.Contains("12345\r"));
  EXPECT_EQ(index.size(), 3u);
  EXPECT_FALSE(index.EndsWithLineBreak());
  index.Add("42");
  EXPECT_TRUE(index.EndsWithLineBreak());
  EXPECT_TRUE(index.Contains("42"));
}

TEST(SeenIdIndexTest, GrowsPastItsFirstSizeAndRebuildsFromScratch) {
  SeenIdIndex index;
  index.Rebuild("");
  EXPECT_TRUE(index.EndsWithLineBreak());
  for (int i = 0; i < 5000; ++i) index.Add(std::to_string(i * 7));
  EXPECT_EQ(index.size(), 5000u);
  for (int i = 0; i < 5000; ++i) {
    ASSERT_TRUE(index.Contains(std::to_string(i * 7))) << i;
    ASSERT_FALSE(index.Contains(std::to_string(i * 7 + 1))) << i;
  }
  index.Add("7");  // already there
  EXPECT_EQ(index.size(), 5000u);
  index.Rebuild("1\r\n1\r\n");
  EXPECT_EQ(index.size(), 1u);
  EXPECT_FALSE(index.Contains("7"));
}

}  // namespace
}  // namespace feed
