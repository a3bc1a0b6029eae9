// An index of the whole lines of the seen-id list, so that telling whether
// an id has been seen does not search the list's text. It holds a copy of
// every line; the list itself stays the text of its edit box, and the owner
// rebuilds the index whenever that text changed behind its back.
//
// Not thread-safe: the owner serialises calls.

#ifndef FEED_COLLECTOR_COLLECTOR_SEEN_ID_INDEX_H_
#define FEED_COLLECTOR_COLLECTOR_SEEN_ID_INDEX_H_

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace feed {

class SeenIdIndex {
 public:
  SeenIdIndex() = default;
  SeenIdIndex(const SeenIdIndex&) = delete;
  SeenIdIndex& operator=(const SeenIdIndex&) = delete;

  // Replaces the index with the lines of |text|. A line ends at a line
  // feed, a carriage return before it is not part of the line, and empty
  // lines are left out; the last line needs no line break.
  void Rebuild(std::string_view text);

  // True when |id| equals one whole line.
  bool Contains(std::string_view id) const;

  // Records that |id| followed by a line break was added to the text.
  void Add(std::string_view id);

  // True when the text is empty or ends with a line feed, so that an id
  // appended to it starts a line of its own.
  bool EndsWithLineBreak() const { return ends_with_line_break_; }

  size_t size() const { return size_; }

 private:
  // The slot where |id| is or would go.
  size_t Find(std::string_view id) const;
  // Puts |id| in the table, growing it first when it is half full.
  void Insert(std::string_view id);
  void Grow(size_t capacity);

  // Lines point into these: the text of the last rebuild and every id
  // added since. A deque never moves its elements as it grows.
  std::string text_;
  std::deque<std::string> added_;
  // An open-addressing hash table of the lines (linear probing, a power of
  // two in size, never more than half full); an empty view marks a free
  // slot. A million ids take no allocation each, which keeps the start-up
  // rebuild quick.
  std::vector<std::string_view> slots_;
  size_t size_ = 0;
  bool ends_with_line_break_ = true;
};

}  // namespace feed

#endif  // FEED_COLLECTOR_COLLECTOR_SEEN_ID_INDEX_H_
