#include "collector/record_handling.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "tests/support/busy_file.h"
#include "tests/support/fake_main_window.h"
#include "tests/support/scratch_directory.h"
#include "text/bytes.h"
#include "text/files.h"

namespace feed {
namespace {

using namespace std::string_view_literals;

constexpr EditBox kSeenIdBox = EditBox::编辑框_去重复;

// 中文 in code page 936.
const char kChinese[] = "\xD6\xD0\xCE\xC4";

FeedRecord Record(const char* id) {
  return FeedRecord{ConcatText("caption ", kChinese), "2026-12-01 08:09:10",
                    id, "42", ConcatText("name", id),
                    "http://txmov2.a.yximgs.com/x.mp4"};
}

class RecordHandlingTest : public testing::Test {
 protected:
  Text SeenIds() const { return window_.CurrentEditText(kSeenIdBox); }
  Bytes RecordFile() const { return ReadWholeFile(records_.RecordFilePath()); }
  Bytes SeenIdFile() const { return ReadWholeFile(records_.SeenIdFilePath()); }
  void Handle(const char* id) { records_.HandleFeedRecord(Record(id), lock_); }
  std::vector<Text> PhotoIdsInRows() const {
    std::vector<Text> ids;
    for (const auto& row : window_.Rows()) ids.push_back(row[3]);
    return ids;
  }

  ScratchDirectory dir_;
  FakeMainWindow window_;
  RecordHandling records_{window_, dir_.path()};
  std::mutex lock_;
};

TEST(RecordFormatTest, LineAndStatusLine) {
  EXPECT_EQ(RecordLine(FeedRecord{"c", "t", "p", "u", "n", "m"}),
            Text("n----u----p----c----t----m\r\n"));
  EXPECT_EQ(StatusLine(0), Text("\xB2\xC9\xBC\xAF\xB5\xBD:0 \xCC\xF5"));
  EXPECT_EQ(StatusLine(1234), Text("\xB2\xC9\xBC\xAF\xB5\xBD:1234 \xCC\xF5"));
  EXPECT_EQ(Text(kRecordFileName),
            Text("\\\xD2\xD1\xC8\xA5\xD6\xD8\xB8\xB4.txt"));  // \已去重复.txt
}

TEST_F(RecordHandlingTest, EmptyListShowsZeroAndScrollsNowhere) {
  records_.ShowProgress();
  EXPECT_EQ(window_.LabelCaption(Label::透明标签3), StatusLine(0));
}

TEST_F(RecordHandlingTest, RecordWithoutIdAddsNothingButStatusIsRefreshed) {
  for (bool checked : {true, false}) {
    window_.SetChecked(checked);
    Handle("");
    records_.ShowProgress();
    EXPECT_EQ(window_.RowsNow(), 0);
    EXPECT_EQ(SeenIds(), Text());
    EXPECT_EQ(window_.LabelCaption(Label::透明标签3), StatusLine(0));
  }
  EXPECT_EQ(ReadFileIfPresent(records_.RecordFilePath()).status,
            FileReadStatus::kMissing);
}

TEST_F(RecordHandlingTest, FirstRecordIsRowZeroLineAndId) {
  FeedRecord record = Record("5230948571230948571");
  records_.HandleFeedRecord(record, lock_);
  records_.ShowProgress();

  std::vector<FakeMainWindow::Row> rows = window_.Rows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], (FakeMainWindow::Row{"0", record.user_name,
                                          record.user_id, record.photo_id,
                                          record.caption, record.time,
                                          record.main_mv_url}));
  EXPECT_EQ(window_.LabelCaption(Label::透明标签3), StatusLine(1));
  EXPECT_EQ(SeenIds(), Text("5230948571230948571\r\n"));
  EXPECT_EQ(RecordFile(), TextToBytes(RecordLine(record)));
}

TEST_F(RecordHandlingTest, ShowProgressScrollsToTheLastRow) {
  window_.SetChecked(false);
  for (int i = 0; i < 50; ++i) Handle("7");
  records_.ShowProgress();
  EXPECT_EQ(window_.Rows()[49][0], Text("49"));
  EXPECT_TRUE(window_.IsRowInView(49));
  EXPECT_EQ(window_.LabelCaption(Label::透明标签3), StatusLine(50));
}

TEST_F(RecordHandlingTest, OnlyWholeLinesCountAsSeen) {
  struct Case {
    const char* name;
    const char* list;
    const char* id;
    bool seen;
    const char* list_after;
  };
  const Case cases[] = {
      {"equal line", "111\r\n12345\r\n", "12345", true, "111\r\n12345\r\n"},
      {"inside a longer id", "12345\r\n", "234", false, "12345\r\n234\r\n"},
      {"start of a longer id", "12345\r\n", "123", false, "12345\r\n123\r\n"},
      {"longer than a seen id", "123\r\n", "1234", false, "123\r\n1234\r\n"},
      {"last line without a line break", "1\r\n22", "22", true, "1\r\n22"},
      {"id after a last line without a line break", "1\r\n22", "3", false,
       "1\r\n22\r\n3\r\n"},
      {"lines ended by bare line feeds", "1\n22\n", "22", true, "1\n22\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDirectory dir;
    FakeMainWindow window;
    RecordHandling records(window, dir.path());
    window.TypeEditText(kSeenIdBox, c.list);
    records.HandleFeedRecord(Record(c.id), lock_);
    EXPECT_EQ(window.RowsNow(), c.seen ? 0 : 1);
    EXPECT_EQ(window.CurrentEditText(kSeenIdBox), Text(c.list_after));
  }
}

TEST_F(RecordHandlingTest, IdTwiceInOneRunIsStoredOnce) {
  Handle("1");
  Handle("2");
  Handle("1");
  EXPECT_EQ(PhotoIdsInRows(), (std::vector<Text>{"1", "2"}));
  EXPECT_EQ(SeenIds(), Text("1\r\n2\r\n"));
  EXPECT_EQ(RecordFile(), ConcatBytes(TextToBytes(RecordLine(Record("1"))),
                                      TextToBytes(RecordLine(Record("2")))));
}

TEST_F(RecordHandlingTest, WhatTheUserTypesIntoTheListCounts) {
  Handle("1");
  window_.TypeEditText(kSeenIdBox, ConcatText(SeenIds(), "777\r\n"));
  Handle("777");
  EXPECT_EQ(window_.RowsNow(), 1);
  // Ids the user deletes are no longer seen.
  window_.TypeEditText(kSeenIdBox, "777\r\n");
  Handle("1");
  EXPECT_EQ(PhotoIdsInRows(), (std::vector<Text>{"1", "1"}));
  EXPECT_EQ(SeenIds(), Text("777\r\n1\r\n"));
}

TEST_F(RecordHandlingTest, UncheckedBoxShowsEveryRecordAndStoresNothing) {
  Handle("1");
  window_.SetChecked(false);
  Handle("1");
  Handle("2");
  Handle("2");
  EXPECT_EQ(PhotoIdsInRows(), (std::vector<Text>{"1", "1", "2", "2"}));
  EXPECT_EQ(SeenIds(), Text("1\r\n"));
  EXPECT_EQ(RecordFile(), TextToBytes(RecordLine(Record("1"))));
  // Checked again, from the next record on.
  window_.SetChecked(true);
  Handle("2");
  Handle("1");
  EXPECT_EQ(SeenIds(), Text("1\r\n2\r\n"));
  EXPECT_EQ(window_.RowsNow(), 5);
}

TEST_F(RecordHandlingTest, LockIsHeldOnlyWhileStoringInTheCheckedCase) {
  std::vector<std::pair<std::string, bool>> seen;
  window_.SetOperationHook([&](std::string_view operation) {
    // Another thread finds out whether the lock is taken.
    bool held = false;
    std::thread probe([&] {
      held = !lock_.try_lock();
      if (!held) lock_.unlock();
    });
    probe.join();
    seen.emplace_back(std::string(operation), held);
  });
  Handle("1");
  // The test for a seen id runs unlocked; from the id's append to the end
  // (the row and the record line) the lock is held.
  bool storing = false;
  for (const auto& [operation, held] : seen) {
    if (operation == "AppendEditText") storing = true;
    SCOPED_TRACE(operation);
    EXPECT_EQ(held, storing);
  }
  EXPECT_TRUE(std::count(seen.begin(), seen.end(),
                         std::pair<std::string, bool>("InsertRow", true)));
  seen.clear();
  window_.SetChecked(false);
  Handle("2");
  for (const auto& [operation, held] : seen) {
    SCOPED_TRACE(operation);
    EXPECT_FALSE(held);
  }
  EXPECT_FALSE(seen.empty());
}

TEST_F(RecordHandlingTest, RecordFileIsOnlyAppendedTo) {
  struct Case {
    const char* name;
    std::string_view before;
    std::string_view after_prefix;  // then the new line
  };
  const Case cases[] = {
      {"last line lacks its line break", "old", "old\r\n"},
      {"whole file kept beyond a zero byte", "a\0b\r\n"sv, "a\0b\r\n"sv},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDirectory dir;
    FakeMainWindow window;
    RecordHandling records(window, dir.path());
    ASSERT_TRUE(WriteWholeFile(records.RecordFilePath(), Bytes(c.before)));
    records.HandleFeedRecord(Record("1"), lock_);
    EXPECT_EQ(ReadWholeFile(records.RecordFilePath()),
              ConcatBytes(Bytes(c.after_prefix),
                          TextToBytes(RecordLine(Record("1")))));
  }
}

TEST_F(RecordHandlingTest, RecordFileInUseKeepsItsContentAndTheRowIsShown) {
  ASSERT_TRUE(WriteWholeFile(records_.RecordFilePath(), Text("old\r\n")));
  {
    BusyFile busy(records_.RecordFilePath());
    ASSERT_TRUE(busy.held());
    Handle("1");
  }
  EXPECT_EQ(RecordFile(), Bytes("old\r\n"sv));
  EXPECT_EQ(window_.RowsNow(), 1);
  EXPECT_EQ(SeenIds(), Text("1\r\n"));
}

TEST_F(RecordHandlingTest, RestoreTakesTheFileAsTheList) {
  struct Case {
    const char* name;
    std::string_view file;  // "missing": no file
    const char* list;
  };
  const Case cases[] = {
      {"missing file", "missing", ""},
      {"empty file", "", ""},
      {"ids", "1\r\n2\r\n", "1\r\n2\r\n"},
      {"last id without a line break gets one", "1\r\n2", "1\r\n2\r\n"},
      {"text up to a zero byte", "1\r\n2\0" "3\r\n"sv, "1\r\n2\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDirectory dir;
    FakeMainWindow window;
    RecordHandling records(window, dir.path());
    window.TypeEditText(kSeenIdBox, "old\r\n");
    if (c.file != "missing") {
      ASSERT_TRUE(WriteWholeFile(records.SeenIdFilePath(), Bytes(c.file)));
    }
    records.RestoreSeenIds();
    EXPECT_EQ(window.CurrentEditText(kSeenIdBox), Text(c.list));
    // The restored ids count as seen straight away.
    records.HandleFeedRecord(Record("2"), lock_);
    records.HandleFeedRecord(Record("9"), lock_);
    EXPECT_EQ(window.Rows().back()[3], Text("9"));
  }
}

TEST_F(RecordHandlingTest, RestoreDoesNothingWhileUnchecked) {
  ASSERT_TRUE(WriteWholeFile(records_.SeenIdFilePath(), Text("1\r\n")));
  window_.TypeEditText(kSeenIdBox, "old\r\n");
  window_.SetChecked(false);
  records_.RestoreSeenIds();
  EXPECT_EQ(SeenIds(), Text("old\r\n"));
}

TEST_F(RecordHandlingTest, SaveReplacesTheFileWithTheList) {
  ASSERT_TRUE(WriteWholeFile(records_.SeenIdFilePath(), Text("1\r\n")));
  records_.RestoreSeenIds();
  Handle("2");
  window_.SetChecked(false);  // saved whatever the check box says
  EXPECT_TRUE(records_.SaveSeenIds());
  EXPECT_EQ(SeenIdFile(), Bytes("1\r\n2\r\n"sv));
  EXPECT_EQ(ReadFileIfPresent(ConcatText(records_.SeenIdFilePath(), ".tmp"))
                .status,
            FileReadStatus::kMissing);

  window_.TypeEditText(kSeenIdBox, Text());
  EXPECT_TRUE(records_.SaveSeenIds());
  FileContents saved = ReadFileIfPresent(records_.SeenIdFilePath());
  EXPECT_EQ(saved.status, FileReadStatus::kRead);
  EXPECT_EQ(saved.bytes, Bytes());
}

TEST_F(RecordHandlingTest, SeenIdFileThatCouldNotBeReadIsNeverReplaced) {
  // Held by another program at start-up.
  ASSERT_TRUE(WriteWholeFile(records_.SeenIdFilePath(), Text("1\r\n2\r\n")));
  {
    BusyFile busy(records_.SeenIdFilePath());
    ASSERT_TRUE(busy.held());
    records_.RestoreSeenIds();
  }
  EXPECT_EQ(SeenIds(), Text());
  Handle("3");
  EXPECT_FALSE(records_.SaveSeenIds());
  EXPECT_EQ(SeenIdFile(), Bytes("1\r\n2\r\n"sv));

  // A zero byte would cut off every id behind it.
  ScratchDirectory dir;
  FakeMainWindow window;
  RecordHandling records(window, dir.path());
  ASSERT_TRUE(WriteWholeFile(records.SeenIdFilePath(), Bytes("1\r\n\0" "2\r\n"sv)));
  records.RestoreSeenIds();
  records.HandleFeedRecord(Record("3"), lock_);
  EXPECT_FALSE(records.SaveSeenIds());
  EXPECT_EQ(ReadWholeFile(records.SeenIdFilePath()), Bytes("1\r\n\0" "2\r\n"sv));
}

}  // namespace
}  // namespace feed
