// What becomes of every record a collection run takes from the feed: it is
// dropped, or shown as a row of the result list and, while duplicate
// suppression is on, stored: its id added to the seen-id list (the text of
// the hidden box 编辑框_去重复) and a line appended to the record file. It
// also keeps the status line and carries the seen-id list across program
// starts through the seen-id file.
//
// Files, both in the directory given at construction (the program's
// directory in the product), code page 936, CR LF line ends:
//   record file  "已去重复.txt": one line per stored record,
//                user_name----user_id----photo_id----caption----time----main_mv_url
//   seen-id file "去重复文本.txt": the seen-id list's text, byte for byte.
//
// The record file is only ever appended to: a file that cannot be read, or
// holds zero bytes, keeps everything it holds. The seen-id file is replaced
// in one step (never left cut short), and not at all during a program start
// that found it present but could not read it whole.
//
// Nothing here is reported to the user: a failed write is ignored, the row
// is shown and the id stays in the list all the same.
//
// Threads: RestoreSeenIds on the window's thread before any run; the other
// calls on the collection run's thread, one run at a time. The window
// operations are synchronous hand-offs (main_window.h).

#ifndef FEED_COLLECTOR_COLLECTOR_RECORD_HANDLING_H_
#define FEED_COLLECTOR_COLLECTOR_RECORD_HANDLING_H_

#include <atomic>
#include <cstdint>
#include <mutex>

#include "collector/feed_record.h"
#include "collector/main_window.h"
#include "collector/seen_id_index.h"
#include "text/text_primitives.h"

namespace feed {

// "\已去重复.txt" and "\去重复文本.txt", behind the directory's name.
inline constexpr char kRecordFileName[] =
    "\\\xD2\xD1\xC8\xA5\xD6\xD8\xB8\xB4.txt";
inline constexpr char kSeenIdFileName[] =
    "\\\xC8\xA5\xD6\xD8\xB8\xB4\xCE\xC4\xB1\xBE.txt";

// The record file's line for |record|, "\r\n" included.
Text RecordLine(const FeedRecord& record);

// "采集到:" n " 条".
Text StatusLine(int rowCount);

class RecordHandling {
 public:
  // |window| must outlive this object; |directory| holds the two files.
  RecordHandling(MainWindow& window, Text directory);
  RecordHandling(const RecordHandling&) = delete;
  RecordHandling& operator=(const RecordHandling&) = delete;

  Text RecordFilePath() const;
  Text SeenIdFilePath() const;

  // Drops a record without an id, and, while the check box is checked, a
  // record whose id is a whole line of the seen-id list. Otherwise adds its
  // row; in the checked case also appends its id to the list and its line
  // to the record file, holding |recordLock| from before the id is added
  // until the line is written. The unchecked case never takes the lock.
  void HandleFeedRecord(const FeedRecord& record, std::mutex& recordLock);

  // Appends a row: column 0 the row's index from 0, then user_name,
  // user_id, photo_id, caption, time and main_mv_url.
  void AddListRow(const FeedRecord& record);

  // Appends the record's line to the record file; false when it could not.
  bool AppendRecordLine(const FeedRecord& record);

  // Sets the status line to the list's row count and scrolls to the last
  // row.
  void ShowProgress();

  // While the check box is checked, makes the seen-id file's text the
  // whole seen-id list (a missing or unusable file gives an empty list), a
  // line break added when its last id lacks one.
  void RestoreSeenIds();

  // Writes the seen-id list to the seen-id file, whatever the check box
  // says; false when it was not written.
  bool SaveSeenIds();

 private:
  // Makes the index follow the box's current text; under index_mutex_.
  void RefreshIndex();

  MainWindow& window_;
  const Text directory_;

  std::mutex index_mutex_;
  SeenIdIndex index_;
  bool index_valid_ = false;
  uint64_t index_revision_ = 0;

  // False once start-up found a seen-id file it could not read whole.
  std::atomic<bool> may_replace_seen_id_file_{true};
};

}  // namespace feed

#endif  // FEED_COLLECTOR_COLLECTOR_RECORD_HANDLING_H_
