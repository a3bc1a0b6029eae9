#include "collector/seen_id_index.h"

#include <algorithm>
#include <functional>

namespace feed {
namespace {

constexpr size_t kSmallestTable = 64;

size_t HashOf(std::string_view id) { return std::hash<std::string_view>()(id); }

}  // namespace

void SeenIdIndex::Rebuild(std::string_view text) {
  added_.clear();
  text_.assign(text);
  size_t lines = static_cast<size_t>(std::count(text_.begin(), text_.end(), '\n')) + 1;
  size_t capacity = kSmallestTable;
  while (capacity < 2 * lines) capacity *= 2;
  slots_.assign(capacity, std::string_view());
  size_ = 0;
  std::string_view rest = text_;
  while (!rest.empty()) {
    size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty()) Insert(line);
  }
  ends_with_line_break_ = text_.empty() || text_.back() == '\n';
}

bool SeenIdIndex::Contains(std::string_view id) const {
  if (id.empty() || slots_.empty()) return false;
  return !slots_[Find(id)].empty();
}

void SeenIdIndex::Add(std::string_view id) {
  ends_with_line_break_ = true;
  if (id.empty() || Contains(id)) return;
  Insert(added_.emplace_back(id));
}

size_t SeenIdIndex::Find(std::string_view id) const {
  size_t mask = slots_.size() - 1;
  size_t slot = HashOf(id) & mask;
  while (!slots_[slot].empty() && slots_[slot] != id) slot = (slot + 1) & mask;
  return slot;
}

void SeenIdIndex::Insert(std::string_view id) {
  if (2 * (size_ + 1) > slots_.size()) {
    Grow(std::max(kSmallestTable, 2 * slots_.size()));
  }
  size_t slot = Find(id);
  if (!slots_[slot].empty()) return;  // a line that occurs twice
  slots_[slot] = id;
  ++size_;
}

void SeenIdIndex::Grow(size_t capacity) {
  std::vector<std::string_view> old(capacity, std::string_view());
  old.swap(slots_);
  for (std::string_view id : old) {
    if (!id.empty()) slots_[Find(id)] = id;
  }
}

}  // namespace feed
