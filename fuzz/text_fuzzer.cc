// Fuzzes the text search, split and replace operations, marker extraction
// and feed record extraction. The first byte picks the routine; the rest is
// cut at the first 0x01 byte into the subject and a second argument. Each
// branch checks properties that must hold for every input.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "collector/feed_record.h"
#include "fuzz/fuzz_input.h"
#include "text/marker_extraction.h"
#include "text/text_primitives.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

unsigned char Fold(char c) {
  auto u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u + 32) : u;
}

bool EqualAt(std::string_view text, size_t pos, std::string_view sought,
             bool fold) {
  for (size_t i = 0; i < sought.size(); ++i) {
    if (fold ? Fold(text[pos + i]) != Fold(sought[i]) : text[pos + i] != sought[i])
      return false;
  }
  return true;
}

// The search exactly as defined: character by character from the start.
int ReferenceFind(std::string_view text, std::string_view sought, int start,
                  bool fold) {
  size_t n = text.size();
  size_t s = start > 1 ? static_cast<size_t>(start - 1) : 0;
  if (s >= n) return -1;
  if (sought.empty()) return 1;
  size_t p = s;
  while (n - p >= sought.size()) {
    if (EqualAt(text, p, sought, fold)) return static_cast<int>(p + 1);
    if (static_cast<unsigned char>(text[p]) >= 0x80) {
      if (p + 1 >= n) break;
      p += 2;
    } else {
      p += 1;
    }
    if (p >= n) break;
  }
  return -1;
}

// The replacement scan exactly as defined, with no limit.
std::string ReferenceReplace(std::string_view text, std::string_view sought,
                             std::string_view with, int start, bool fold) {
  size_t n = text.size();
  size_t m = sought.size();
  size_t s = start > 1 ? static_cast<size_t>(start - 1) : 0;
  if (n == 0 || m == 0 || s >= n) return std::string(text);
  std::string out(text.substr(0, s));
  size_t p = s;
  while (p < n && n - p >= m) {
    if (EqualAt(text, p, sought, fold)) {
      out += with;
      p += m;
    } else {
      size_t width = static_cast<unsigned char>(text[p]) >= 0x80 ? 2 : 1;
      out += text.substr(p, width);
      p += width;
    }
  }
  if (p < n) out += text.substr(p);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const feed::FuzzInput input = feed::SplitFuzzInput(data, size);
  const uint8_t selector = input.selector;
  const feed::Text& subject = input.subject;
  const feed::Text& other = input.other;
  const int start = selector >> 4;  // 0..15
  const bool flag = selector & 0x08;

  switch (selector % 6) {
    case 0: {
      int pos = feed::FindText(subject, other, start, flag);
      Check(pos == ReferenceFind(subject.view(), other.view(), start, flag));
      break;
    }
    case 1: {
      feed::TextArray pieces = feed::SplitText(subject, other);
      if (!other.empty() && !subject.empty()) {
        // Joining the pieces gives the text back, but for a final separator.
        std::string joined;
        for (int i = 1; i <= pieces.Count(); ++i) {
          if (i > 1) joined += other.view();
          joined += pieces[i].view();
        }
        Check(joined == subject.view() ||
              joined + std::string(other.view()) == subject.view());
      }
      feed::TextArray limited = feed::SplitText(subject, other, start);
      Check(limited.Count() <= start);
      break;
    }
    case 2: {
      feed::Text replaced =
          feed::ReplaceText(subject, other, "#", start, std::nullopt, flag);
      Check(replaced.view() ==
            ReferenceReplace(subject.view(), other.view(), "#", start, !flag));
      break;
    }
    case 3: {
      feed::Text between = feed::TextBetween(subject, other, "\"", start, flag);
      Check(between.view().size() <= subject.view().size());
      feed::Text before = feed::TextBefore(subject, other, start, flag);
      Check(subject.view().substr(0, before.view().size()) == before.view());
      break;
    }
    case 4: {
      feed::FeedRecord record = feed::ExtractFeedRecord(subject);
      Check(!record.main_mv_url.empty());
      break;
    }
    case 5: {
      feed::Text trimmed = feed::TrimBlanks(subject);
      feed::Text removed = feed::RemoveBlanks(subject);
      Check(trimmed.view().size() <= subject.view().size());
      Check(removed.view().size() <= subject.view().size());
      (void)feed::TextToInt(subject);
      (void)feed::CompareText(subject, other, flag);
      break;
    }
  }
  return 0;
}
