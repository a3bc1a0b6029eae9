#include "text/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/busy_file.h"
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

TEST(FilesTest, ReadFileIfPresentTellsMissingFromUnreadable) {
  ScratchDirectory dir;
  ASSERT_TRUE(WriteWholeFile(dir.File("data.bin"), Bytes("a\0b"sv)));
  ASSERT_TRUE(WriteWholeFile(dir.File("empty.txt"), Text()));
  ASSERT_TRUE(std::filesystem::create_directory(
      std::filesystem::path(dir.path().str()) / "folder.txt"));

  FileContents read = ReadFileIfPresent(dir.File("data.bin"));
  EXPECT_EQ(read.status, FileReadStatus::kRead);
  EXPECT_EQ(read.bytes, Bytes("a\0b"sv));
  read = ReadFileIfPresent(dir.File("empty.txt"));
  EXPECT_EQ(read.status, FileReadStatus::kRead);
  EXPECT_EQ(read.bytes, Bytes());

  EXPECT_EQ(ReadFileIfPresent(dir.File("missing.txt")).status,
            FileReadStatus::kMissing);
  EXPECT_EQ(ReadFileIfPresent(dir.File("no\\such.txt")).status,
            FileReadStatus::kMissing);
  EXPECT_EQ(ReadFileIfPresent(Text()).status, FileReadStatus::kMissing);
  EXPECT_EQ(ReadFileIfPresent(dir.File("folder.txt")).status,
            FileReadStatus::kUnreadable);

  BusyFile busy(dir.File("data.bin"));
  ASSERT_TRUE(busy.held());
  read = ReadFileIfPresent(dir.File("data.bin"));
  EXPECT_EQ(read.status, FileReadStatus::kUnreadable);
  EXPECT_EQ(read.bytes, Bytes());
}

TEST(FilesTest, AppendLineStartsALineOfItsOwn) {
  struct Case {
    const char* name;
    std::string_view before;  // the file's content; "missing" creates none
    std::string_view after;
  };
  const Case cases[] = {
      {"missing file is created", "missing", "new\r\n"},
      {"empty file", "", "new\r\n"},
      {"last line ended", "a\r\n", "a\r\nnew\r\n"},
      {"last line ended by a bare line feed", "a\n", "a\nnew\r\n"},
      {"last line without a line break", "a\r\nb", "a\r\nb\r\nnew\r\n"},
      {"zero bytes are kept", "a\0b\r\n"sv, "a\0b\r\nnew\r\n"sv},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDirectory dir;
    Text name = dir.File("records.txt");
    if (c.before != "missing") {
      ASSERT_TRUE(WriteWholeFile(name, Bytes(c.before)));
    }
    EXPECT_TRUE(AppendLineToFile(name, "new\r\n"));
    EXPECT_EQ(ReadWholeFile(name), Bytes(c.after));
  }
}

TEST(FilesTest, AppendLeavesAFileItCannotUseAlone) {
  ScratchDirectory dir;
  Text name = dir.File("records.txt");
  ASSERT_TRUE(WriteWholeFile(name, Text("old\r\n")));
  {
    BusyFile busy(name);
    ASSERT_TRUE(busy.held());
    EXPECT_FALSE(AppendLineToFile(name, "new\r\n"));
  }
  EXPECT_EQ(ReadWholeFile(name), Bytes("old\r\n"sv));

  ASSERT_TRUE(std::filesystem::create_directory(
      std::filesystem::path(dir.path().str()) / "folder.txt"));
  EXPECT_FALSE(AppendLineToFile(dir.File("folder.txt"), "new\r\n"));
  EXPECT_FALSE(AppendLineToFile(Text(), "new\r\n"));
}

TEST(FilesTest, AtomicReplaceLeavesOnlyTheNewContent) {
  ScratchDirectory dir;
  Text name = dir.File("ids.txt");
  ASSERT_TRUE(ReplaceFileAtomically(name, "1\r\n"));
  EXPECT_EQ(ReadWholeFile(name), Bytes("1\r\n"sv));
  // A temporary file left by an interrupted save is simply overwritten.
  ASSERT_TRUE(WriteWholeFile(dir.File("ids.txt.tmp"), Text("stale")));
  ASSERT_TRUE(ReplaceFileAtomically(name, "1\r\n2\r\n"));
  EXPECT_EQ(ReadWholeFile(name), Bytes("1\r\n2\r\n"sv));
  ASSERT_TRUE(ReplaceFileAtomically(name, ""));
  EXPECT_EQ(ReadFileIfPresent(name).status, FileReadStatus::kRead);
  EXPECT_EQ(ReadWholeFile(name), Bytes());
  EXPECT_FALSE(dir.Exists("ids.txt.tmp"));
}

TEST(FilesTest, AtomicReplaceThatFailsKeepsTheOldFile) {
  ScratchDirectory dir;
  // A directory in the file's place cannot be replaced.
  ASSERT_TRUE(std::filesystem::create_directory(
      std::filesystem::path(dir.path().str()) / "ids.txt"));
  EXPECT_FALSE(ReplaceFileAtomically(dir.File("ids.txt"), "1\r\n"));
  EXPECT_TRUE(std::filesystem::is_directory(
      std::filesystem::path(dir.path().str()) / "ids.txt"));
  EXPECT_FALSE(dir.Exists("ids.txt.tmp"));
  EXPECT_FALSE(ReplaceFileAtomically(dir.File("no\\such\\ids.txt"), "1"));
  EXPECT_FALSE(ReplaceFileAtomically(Text(), "1"));
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
