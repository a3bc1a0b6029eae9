// Fuzzes the regular-expression object and the charset step. The first
// byte picks the branch: even values run a pattern (the input up to the
// first 0x01 byte) over a subject (the rest); odd values put a meta tag
// declaring one of the known charsets (picked by the byte) before the rest
// and run the charset step on it. Each branch checks what must hold for
// every input.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "text/bytes.h"
#include "web/charset_names.h"
#include "web/charset_step.h"
#include "web/regex_matcher.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void FuzzMatcher(std::string_view input) {
  size_t cut = input.find('\x01');
  std::string_view pattern = input.substr(0, cut);
  std::string_view subject =
      cut == std::string_view::npos ? std::string_view() : input.substr(cut + 1);
  // Keep backtracking patterns from timing out.
  if (pattern.size() > 32 || subject.size() > 256) return;
  feed::RegexMatcher matcher;
  feed::Text subjectText(subject);
  if (!matcher.Create(feed::Text(pattern), subjectText)) {
    Check(matcher.MatchCount() == 0);
    return;
  }
  const int length = feed::TextLength(subjectText);
  for (int n = 1; n <= matcher.MatchCount(); ++n) {
    int position = 0;
    feed::Text value = matcher.MatchText(n, &position);
    Check(position == -2 || (position >= 0 && position <= length));
    for (int k = 1; k <= matcher.SubmatchCount(); ++k) {
      matcher.SubmatchText(n, k, &position);
      Check(position == -2 || (position >= 0 && position <= length));
    }
  }
  feed::RegexMatcher copy(matcher);
  Check(copy.MatchCount() == matcher.MatchCount());
  matcher.Replace(feed::Text("[$1$&]"));
}

void FuzzCharsetStep(unsigned char selector, std::string_view rest) {
  const auto charsets = feed::KnownCharsets();
  const feed::CharsetName& charset = charsets[selector % charsets.size()];
  std::string body = std::string("<meta charset=\"") + charset.name + "\">";
  body.append(rest);
  feed::Bytes bytes(body);
  feed::Text reply = feed::BytesToText(bytes);
  feed::RegexMatcher matcher;
  feed::ApplyDeclaredCharset(matcher, bytes, reply);
  Check(reply.view().find('\0') == std::string_view::npos);
  Check(!reply.empty());  // a declared body never decodes to nothing
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] % 2 == 0) {
    FuzzMatcher(input);
  } else {
    FuzzCharsetStep(static_cast<unsigned char>(data[0] / 2), input);
  }
  return 0;
}
