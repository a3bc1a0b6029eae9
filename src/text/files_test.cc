#include "text/files.h"

#include <gtest/gtest.h>

#include "tests/support/scratch_directory.h"
#include "text/environment.h"

namespace feed {
namespace {

using namespace std::string_view_literals;

TEST(FilesTest, MissingOrUnnamedFilesReadAsEmpty) {
  ScratchDirectory dir;
  EXPECT_EQ(ReadWholeFile(dir.File("missing.txt")), Bytes());
  EXPECT_EQ(ReadWholeFile(Text()), Bytes());
  EXPECT_EQ(ReadWholeFile(dir.path()), Bytes());  // a directory
}

TEST(FilesTest, WriteThenReadKeepsEveryByte) {
  ScratchDirectory dir;
  Text name = dir.File("data.bin");
  ASSERT_TRUE(WriteWholeFile(name, Bytes("a\0b"sv), Bytes(), Text("\xD6\xD0")));
  EXPECT_EQ(ReadWholeFile(name), Bytes("a\0b\xD6\xD0"sv));
  // A second write replaces the contents.
  ASSERT_TRUE(WriteWholeFile(name, Text("x")));
  EXPECT_EQ(ReadWholeFile(name), Bytes("x"sv));
}

TEST(FilesTest, OnlyEmptyPartsLeaveAnEmptyFile) {
  ScratchDirectory dir;
  Text name = dir.File("empty.txt");
  ASSERT_TRUE(WriteWholeFile(name, Text("old")));
  EXPECT_TRUE(WriteWholeFile(name, Bytes(), Text()));
  EXPECT_TRUE(dir.Exists("empty.txt"));
  EXPECT_EQ(ReadWholeFile(name), Bytes());
}

TEST(FilesTest, WritesThatCannotOpenFail) {
  ScratchDirectory dir;
  EXPECT_FALSE(WriteWholeFile(Text(), Text("x")));
  EXPECT_FALSE(WriteWholeFile(dir.File("no\\such\\dir.txt"), Text("x")));
}

TEST(FilesTest, ProgramDirectoryHoldsTheRunningProgram) {
  Text dir = ProgramDirectory();
  ASSERT_FALSE(dir.empty());
  char last = dir.view().back();
  EXPECT_NE(last, '\\');
  EXPECT_NE(last, '/');
  EXPECT_EQ(ProgramDirectory(), dir);  // taken once, never changes
}

}  // namespace
}  // namespace feed
