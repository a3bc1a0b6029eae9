#include "collector/seen_id_index.h"

#include <algorithm>

namespace feed {

void SeenIdIndex::Rebuild(std::string_view text) {
  ids_.clear();
  added_.clear();
  text_.assign(text);
  ids_.reserve(static_cast<size_t>(std::count(text_.begin(), text_.end(), '\n')) + 1);
  std::string_view rest = text_;
  while (!rest.empty()) {
    size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty()) ids_.insert(line);
  }
  ends_with_line_break_ = text_.empty() || text_.back() == '\n';
}

bool SeenIdIndex::Contains(std::string_view id) const {
  return ids_.count(id) != 0;
}

void SeenIdIndex::Add(std::string_view id) {
  ends_with_line_break_ = true;
  if (id.empty() || Contains(id)) return;
  ids_.insert(added_.emplace_back(id));
}

}  // namespace feed
