#include "collector/record_handling.h"

#include <utility>

#include "text/bytes.h"
#include "text/files.h"

namespace feed {
namespace {

constexpr EditBox kSeenIdBox = EditBox::编辑框_去重复;
constexpr CheckBox kSuppressBox = CheckBox::选择框_是否去重复;
constexpr ListBox kList = ListBox::超级列表框1;

// "采集到:" and " 条".
constexpr char kStatusPrefix[] = "\xB2\xC9\xBC\xAF\xB5\xBD:";
constexpr char kStatusSuffix[] = " \xCC\xF5";
constexpr char kFieldSeparator[] = "----";
constexpr char kLineBreak[] = "\r\n";

bool EndsWithLineBreak(const Text& text) {
  std::string_view v = text.view();
  return v.size() >= 2 && v.substr(v.size() - 2) == kLineBreak;
}

}  // namespace

Text RecordLine(const FeedRecord& record) {
  return ConcatText(record.user_name, kFieldSeparator, record.user_id,
                    kFieldSeparator, record.photo_id, kFieldSeparator,
                    record.caption, kFieldSeparator, record.time,
                    kFieldSeparator, record.main_mv_url, kLineBreak);
}

Text StatusLine(int rowCount) {
  return ConcatText(kStatusPrefix, NumberToText(rowCount), kStatusSuffix);
}

RecordHandling::RecordHandling(MainWindow& window, Text directory)
    : window_(window), directory_(std::move(directory)) {}

Text RecordHandling::RecordFilePath() const {
  return ConcatText(directory_, kRecordFileName);
}

Text RecordHandling::SeenIdFilePath() const {
  return ConcatText(directory_, kSeenIdFileName);
}

void RecordHandling::RefreshIndex() {
  // The revision is read before the text: should the user type in between,
  // the index holds the newer text under the older number and is merely
  // rebuilt once more.
  uint64_t revision = window_.EditTextRevision(kSeenIdBox);
  if (index_valid_ && revision == index_revision_) return;
  index_.Rebuild(window_.EditText(kSeenIdBox).view());
  index_revision_ = revision;
  index_valid_ = true;
}

void RecordHandling::HandleFeedRecord(const FeedRecord& record,
                                      std::mutex& recordLock) {
  if (record.photo_id.empty()) return;
  if (!window_.IsChecked(kSuppressBox)) {
    AddListRow(record);
    return;
  }
  std::lock_guard<std::mutex> indexLock(index_mutex_);
  RefreshIndex();
  if (index_.Contains(record.photo_id.view())) return;

  std::lock_guard<std::mutex> lock(recordLock);
  // A list whose last line lacks its line break (typed by the user) must
  // not have the id joined to that line.
  Text addition = index_.EndsWithLineBreak()
                      ? ConcatText(record.photo_id, kLineBreak)
                      : ConcatText(kLineBreak, record.photo_id, kLineBreak);
  uint64_t before = index_revision_;
  window_.AppendEditText(kSeenIdBox, addition);
  uint64_t after = window_.EditTextRevision(kSeenIdBox);
  index_.Add(record.photo_id.view());
  index_revision_ = after;
  // Any other change since the index was refreshed means the user typed
  // meanwhile: read the text again next time.
  index_valid_ = after == before + 1;
  AddListRow(record);
  AppendRecordLine(record);
}

void RecordHandling::AddListRow(const FeedRecord& record) {
  window_.InsertRow(kList);
  int row = window_.RowCount(kList) - 1;
  window_.SetCellText(kList, row, 0, NumberToText(row));
  const Text* fields[] = {&record.user_name, &record.user_id,
                          &record.photo_id,  &record.caption,
                          &record.time,      &record.main_mv_url};
  int column = 1;
  for (const Text* field : fields) {
    // The new row is taken to be the last one.
    row = window_.RowCount(kList) - 1;
    window_.SetCellText(kList, row, column++, *field);
  }
}

bool RecordHandling::AppendRecordLine(const FeedRecord& record) {
  return AppendLineToFile(RecordFilePath(), RecordLine(record).view());
}

void RecordHandling::ShowProgress() {
  int rows = window_.RowCount(kList);
  window_.SetLabelCaption(Label::透明标签3, StatusLine(rows));
  if (rows > 0) window_.MakeRowVisible(kList, rows - 1);
}

void RecordHandling::RestoreSeenIds() {
  if (!window_.IsChecked(kSuppressBox)) return;
  FileContents file = ReadFileIfPresent(SeenIdFilePath());
  Text list = BytesToText(file.bytes);
  // Saving a list that lacks what the file held would lose those ids for
  // good: leave such a file alone for the rest of this program start.
  if (file.status == FileReadStatus::kUnreadable ||
      list.view().size() != file.bytes.size()) {
    may_replace_seen_id_file_ = false;
  }
  if (!list.empty() && !EndsWithLineBreak(list)) {
    list = ConcatText(list, kLineBreak);
  }
  std::lock_guard<std::mutex> indexLock(index_mutex_);
  window_.SetEditText(kSeenIdBox, list);
  index_revision_ = window_.EditTextRevision(kSeenIdBox);
  index_.Rebuild(list.view());
  index_valid_ = true;
}

bool RecordHandling::SaveSeenIds() {
  if (!may_replace_seen_id_file_) return false;
  Text list = window_.EditText(kSeenIdBox);
  return ReplaceFileAtomically(SeenIdFilePath(), list.view());
}

}  // namespace feed
