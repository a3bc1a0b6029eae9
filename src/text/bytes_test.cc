#include "text/bytes.h"

#include <gtest/gtest.h>

#include <string>

namespace feed {
namespace {

Bytes B(std::string_view data) { return Bytes(data); }

TEST(BytesTest, AbsentIsEmpty) {
  EXPECT_EQ(Bytes(), B(""));
  EXPECT_EQ(BytesLength(Bytes()), 0);
}

TEST(BytesTest, TextConversionsStopAtTheFirstZeroByte) {
  using namespace std::string_view_literals;
  EXPECT_EQ(BytesToText(B("ab\0cd"sv)), Text("ab"));
  EXPECT_EQ(BytesToText(B("\0ab"sv)), Text());
  EXPECT_EQ(BytesToText(B("abc")), Text("abc"));
  EXPECT_EQ(TextToBytes("abc"), B("abc"));
  EXPECT_EQ(TextToBytes(Text()), Bytes());
}

TEST(BytesTest, LeftBlankConcatAndCopy) {
  using namespace std::string_view_literals;
  EXPECT_EQ(BytesLeft(B("a\0c"sv), 2), B("a\0"sv));
  EXPECT_EQ(BytesLeft(B("abc"), 9), B("abc"));
  EXPECT_EQ(BytesLeft(B("abc"), 0), Bytes());
  EXPECT_EQ(BlankBytes(3), B("\0\0\0"sv));
  EXPECT_EQ(BlankBytes(0), Bytes());
  EXPECT_EQ(BlankBytes(-1), Bytes());
  EXPECT_EQ(ConcatBytes(B("a\0"sv), Bytes(), B("b")), B("a\0b"sv));
  EXPECT_EQ(ConcatBytes(Bytes(), Bytes()), Bytes());
  const char memory[] = {'x', '\0', 'y'};
  EXPECT_EQ(BytesFromMemory(memory, 3), B("x\0y"sv));
  EXPECT_EQ(BytesFromMemory(memory, 0), Bytes());
}

}  // namespace
}  // namespace feed
