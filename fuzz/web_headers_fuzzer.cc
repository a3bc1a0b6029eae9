// Fuzzes cookie merging, duplicate removal, the request header block and
// the processing of raw response headers. The first byte picks the routine;
// the rest is cut at the first 0x01 byte into the subject and a second
// argument (the response header branch takes all of it as UTF-16). Each
// branch checks properties that must hold for every input.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "text/bytes.h"
#include "text/code_page.h"
#include "text/text_primitives.h"
#include "web/cookies.h"
#include "web/request_headers.h"
#include "web/response_headers.h"

namespace {

// Names the failed property, so a crash file explains itself.
void CheckAt(bool condition, const char* what, int line) {
  if (condition) return;
  std::fprintf(stderr, "property failed at line %d: %s\n", line, what);
  std::abort();
}
#define CHECK(condition) CheckAt((condition), #condition, __LINE__)

bool IsAscii(const feed::Text& text) {
  for (char c : text.view()) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

bool Holds(const feed::Text& text, const feed::Text& sought, bool ignoreCase) {
  return feed::FindText(text, sought, 1, ignoreCase) != -1;
}

void FuzzMergeCookies(const feed::Text& old_in, const feed::Text& new_in) {
  feed::Text old_cookies = old_in;
  feed::Text new_cookies = new_in;
  feed::Text merged = feed::MergeCookies(&old_cookies, &new_cookies);
  CHECK(merged == old_cookies);
  CHECK(new_cookies == feed::RemoveBlanks(new_in));
  // Item-level properties hold for plain text; a lone lead byte before a
  // separator would join two items when the result is split again.
  if (!IsAscii(old_in) || !IsAscii(new_in)) return;

  feed::Text old_clean = feed::RemoveBlanks(old_in);
  std::set<std::string> seen;
  std::set<std::string> given_items;
  for (const feed::Text& source : {old_clean, new_cookies}) {
    for (const feed::Text& item : feed::SplitText(source, ";")) {
      given_items.insert(item.str());
    }
  }
  for (const feed::Text& item : feed::SplitText(merged, "; ")) {
    CHECK(feed::RemoveBlanks(item) == item);
    CHECK(feed::TextRight(item, 8) != feed::Text("=deleted"));
    CHECK(seen.insert(item.str()).second);
    CHECK(given_items.count(item.str()) == 1);
  }
  // Merged into nothing, the merged string comes back unchanged. Two or
  // more empty items at the end leave one as a final "; ", which a second
  // merge drops like any separator at the end.
  if (feed::TextRight(merged, 2) == feed::Text("; ")) return;
  feed::Text empty;
  feed::Text again = merged;
  CHECK(feed::MergeCookies(&empty, &again) == merged);
}

void FuzzRemoveDuplicateItems(const feed::Text& text,
                              const feed::Text& separator) {
  feed::Text result = feed::RemoveDuplicateItems(text, separator);
  CHECK(result.view().size() <= text.view().size());
  feed::TextArray pieces = feed::SplitText(text, separator);
  if (pieces.Count() == 0) {
    CHECK(result.empty());
    return;
  }
  CHECK(result.view().substr(0, pieces[1].view().size()) == pieces[1].view());
  std::set<std::string> distinct;
  for (const feed::Text& piece : pieces) distinct.insert(piece.str());
  if (static_cast<int>(distinct.size()) == pieces.Count()) {
    // Nothing to remove: the text comes back, less a final separator.
    CHECK(result == text ||
          feed::ConcatText(result, separator) == text);
  }
}

void FuzzBuildRequestHeaders(const feed::Text& request_headers,
                             const feed::Text& cookies) {
  feed::Text block = feed::BuildRequestHeaders(request_headers, cookies);
  if (!request_headers.empty()) {
    feed::Text own = feed::ConcatText(request_headers, "\r\n");
    CHECK(feed::TextLeft(block, feed::TextLength(own)) == own);
  }
  CHECK(feed::TextRight(block, 2) == feed::Text("\r\n"));
  CHECK(Holds(block, "User-Agent: ", true));
  CHECK(Holds(block, "Accept: ", true));
  CHECK(Holds(block, "Accept-Encoding: ", true));
  CHECK(Holds(block, "Accept-Language: ", true));
  CHECK(Holds(block, "Content-Type:", false));
  CHECK(Holds(block, "Cache-Control: ", true));
  if (!cookies.empty()) CHECK(Holds(block, "Cookie: ", true));
}

void FuzzProcessResponseHeaders(std::string_view raw_bytes,
                                const feed::Text& cookies_in) {
  const feed::Bytes raw(raw_bytes);
  const feed::Text kept("keep");

  feed::Text new_cookies = kept;
  feed::Text headers, status;
  feed::Text redirect("unset");
  feed::ProcessResponseHeaders(raw, nullptr, &new_cookies, &headers, &status,
                               &redirect);
  // The status text is cut from the converted text before Set-Cookie is
  // capitalised, and capitalising changes no length.
  const feed::Text converted = feed::Utf16ToGbk(raw);
  CHECK(feed::TextMid(converted, 10, feed::TextLength(status)) == status);
  CHECK(!Holds(status, "\r\n", false));
  CHECK(feed::TextLength(headers) == feed::TextLength(converted));
  // Every Set-Cookie, in whatever letter case it came, is shown capitalised.
  for (int at = feed::FindText(headers, "set-cookie", 1, true); at != -1;
       at = feed::FindText(headers, "set-cookie", at + 10, true)) {
    CHECK(feed::TextMid(headers, at, 10) == feed::Text("Set-Cookie"));
  }
  if (!Holds(headers, "location: ", true)) {
    CHECK(redirect == feed::Text("unset"));
  }
  // The caller's own text is never shortened.
  if (Holds(headers, "Set-Cookie", false)) {
    CHECK(feed::TextLeft(new_cookies, 4) == kept);
  } else {
    CHECK(new_cookies == kept);
  }

  // Given cookies: the same values, merged.
  feed::Text plain;
  feed::Text merged_new;
  feed::Text cookies = cookies_in;
  feed::Text headers2, status2, redirect2;
  feed::ProcessResponseHeaders(raw, nullptr, &plain, &headers2, &status2,
                               &redirect2);
  feed::ProcessResponseHeaders(raw, &cookies, &merged_new, &headers2,
                               &status2, &redirect2);
  feed::Text expected_cookies = cookies_in;
  feed::Text expected_new = plain;
  feed::MergeCookies(&expected_cookies, &expected_new);
  CHECK(cookies == expected_cookies);
  CHECK(merged_new == expected_new);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const feed::FuzzInput input = feed::SplitFuzzInput(data, size);
  const uint8_t selector = input.selector;
  const feed::Text& subject = input.subject;
  const feed::Text& other = input.other;
  switch (selector % 4) {
    case 0:
      FuzzMergeCookies(subject, other);
      break;
    case 1:
      FuzzRemoveDuplicateItems(subject, other);
      break;
    case 2:
      FuzzBuildRequestHeaders(subject, other);
      break;
    case 3:
      FuzzProcessResponseHeaders(input.rest, other);
      break;
  }
  return 0;
}
