#include "web/cookies.h"

#include <string>
#include <utility>

namespace feed {
namespace {

const Text kItemSeparator(";");
const Text kMergedSeparator("; ");
const Text kDeletedMarker("=deleted");

bool IsDeleted(const Text& item) {
  return TextRight(item, TextLength(kDeletedMarker)) == kDeletedMarker;
}

}  // namespace

Text MergeCookies(Text* oldCookies, Text* newCookies) {
  *oldCookies = RemoveBlanks(*oldCookies);
  *newCookies = RemoveBlanks(*newCookies);

  // The new items come first so that a cookie the response set wins over an
  // older one of the same name; the old ones fill in what it did not set.
  // Appending to |merged| while checking it means that of several old items
  // with one name only the first is taken.
  TextArray old_items = SplitText(*oldCookies, kItemSeparator);
  TextArray merged = SplitText(*newCookies, kItemSeparator);
  for (const Text& item : old_items) {
    if (!HasCookieName(merged, CookieName(item))) merged.Append(item);
  }

  std::string joined;
  for (const Text& item : merged) {
    if (IsDeleted(item)) continue;
    joined.append(item.view());
    joined.append(kMergedSeparator.view());
  }
  // Drop the separator after the last item; nothing kept stays empty.
  int keep = static_cast<int>(joined.size()) - TextLength(kMergedSeparator);
  Text kept = TextLeft(Text(std::move(joined)), keep);
  *oldCookies = RemoveDuplicateItems(kept, kMergedSeparator);
  return *oldCookies;
}

Text CookieName(const Text& item) {
  int equals = FindText(item, "=");
  Text name = equals == -1 ? item : TextLeft(item, equals - 1);
  return TrimBlanks(name);
}

bool HasCookieName(const TextArray& items, const Text& name) {
  for (const Text& item : items) {
    if (CookieName(item) == name) return true;
  }
  return false;
}

Text RemoveDuplicateItems(const Text& text, const Text& separator) {
  TextArray taken;
  std::string accumulated;
  for (const Text& piece : SplitText(text, separator)) {
    if (IndexOfText(taken, piece) != -1) continue;
    taken.Append(piece);
    accumulated.append(piece.view());
    accumulated.append(separator.view());
  }
  int keep = static_cast<int>(accumulated.size()) - TextLength(separator);
  return TextLeft(Text(std::move(accumulated)), keep);
}

int IndexOfText(const TextArray& items, const Text& text) {
  for (int i = 1; i <= items.Count(); ++i) {
    if (items[i] == text) return i;
  }
  return -1;
}

}  // namespace feed
