#include "text/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

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

// The names of the files in |dir| as the file system holds them.
std::vector<std::u8string> FileNames(const Text& dir) {
  std::vector<std::u8string> names;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::filesystem::path(dir.str()))) {
    names.push_back(entry.path().filename().u8string());
  }
  return names;
}

TEST(FilesTest, ChineseFileNamesReachTheFileSystemAsThemselves) {
  struct NameCase {
    const char* gbk;
    std::u8string_view stored;
  };
  const NameCase cases[] = {
      {"\xD2\xD1\xC8\xA5\xD6\xD8\xB8\xB4.txt", u8"已去重复.txt"},
      // The second byte of this character is 0x5C, the backslash.
      {"\xD5\x5C.txt", u8"誠.txt"},
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.gbk);
    ScratchDirectory dir;
    Text name = dir.File(c.gbk);
    ASSERT_TRUE(WriteWholeFile(name, Text("\xD6\xD0")));
    EXPECT_EQ(ReadWholeFile(name), Bytes("\xD6\xD0"sv));
    std::vector<std::u8string> names = FileNames(dir.path());
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(names[0] == c.stored);
  }
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
