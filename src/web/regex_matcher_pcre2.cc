// RegexMatcher over PCRE2, answering as the Windows component does: the
// subject is searched as Unicode (UTF-8 inside), "FirstIndex" counts UTF-16
// units, "." and the line anchors treat CR and LF as line ends, "$" without
// Multiline matches only at the very end, a group that took no part reads as
// empty, an empty match moves the search on by one character, and the
// replacement text knows the same "$" forms. "\w", "\d" and "\s" stay ASCII
// (the component's "\s" also takes the Unicode blanks).

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "text/code_page.h"
#include "web/regex_matcher.h"

namespace feed {
namespace {

// One compiled expression; never changed once made, so copies of a matcher
// can share it.
struct Expression {
  Text pattern;  // as written, also when it did not compile
  bool ignoreCase = false;
  bool globalMatch = false;
  pcre2_code* code = nullptr;  // null when the pattern is not valid

  ~Expression() { pcre2_code_free(code); }
};

struct Span {
  size_t begin = 0;
  size_t end = 0;
  bool set = false;
};

// One match: the whole match first, then every group, as byte ranges of
// the UTF-8 subject.
using MatchSpans = std::vector<Span>;

struct Match {
  Text value;
  double firstIndex = 0;
  std::vector<Text> groups;
};

struct MatchData {
  explicit MatchData(const pcre2_code* code)
      : data(pcre2_match_data_create_from_pattern(code, nullptr)) {}
  ~MatchData() { pcre2_match_data_free(data); }
  MatchData(const MatchData&) = delete;
  MatchData& operator=(const MatchData&) = delete;
  pcre2_match_data* data;
};

std::shared_ptr<const Expression> Compile(const Text& pattern,
                                          bool ignoreCase, bool multiLine,
                                          bool globalMatch) {
  auto expression = std::make_shared<Expression>();
  expression->pattern = pattern;
  expression->ignoreCase = ignoreCase;
  expression->globalMatch = globalMatch;

  uint32_t options = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF |
                     PCRE2_DOLLAR_ENDONLY;
  if (ignoreCase) options |= PCRE2_CASELESS;
  if (multiLine) options |= PCRE2_MULTILINE;
  pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
  if (!context) return expression;
  pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
  std::string utf8 = GbkToUtf8(pattern);
  int error = 0;
  PCRE2_SIZE errorOffset = 0;
  expression->code =
      pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8.data()), utf8.size(),
                    options, &error, &errorOffset, context);
  pcre2_compile_context_free(context);
  return expression;
}

size_t NextCharacter(std::string_view utf8, size_t at) {
  ++at;
  while (at < utf8.size() && (static_cast<unsigned char>(utf8[at]) & 0xC0) ==
                                 0x80) {
    ++at;
  }
  return at;
}

// Every match in |subject| (only the first unless the expression is
// global). After an empty match the search goes on one character later.
std::vector<MatchSpans> FindMatches(const Expression& expression,
                                    std::string_view subject) {
  std::vector<MatchSpans> found;
  if (!expression.code) return found;
  MatchData match(expression.code);
  if (!match.data) return found;
  size_t at = 0;
  while (at <= subject.size()) {
    int rc = pcre2_match(expression.code,
                         reinterpret_cast<PCRE2_SPTR>(subject.data()),
                         subject.size(), at, 0, match.data, nullptr);
    if (rc < 0) break;  // no match, or the engine gave up
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(match.data);
    uint32_t pairs = pcre2_get_ovector_count(match.data);
    MatchSpans spans(pairs);
    for (uint32_t i = 0; i < pairs && i < static_cast<uint32_t>(rc); ++i) {
      if (ovector[2 * i] == PCRE2_UNSET) continue;
      spans[i] = Span{ovector[2 * i], ovector[2 * i + 1], true};
    }
    found.push_back(std::move(spans));
    if (!expression.globalMatch) break;
    size_t end = ovector[1];
    at = end > ovector[0] ? end : NextCharacter(subject, end);
  }
  return found;
}

// The component counts positions in UTF-16 units.
size_t Utf16Units(std::string_view utf8) {
  size_t units = 0;
  for (char c : utf8) {
    auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) != 0x80) ++units;  // a character starts here
    if (byte >= 0xF0) ++units;           // and needs a surrogate pair
  }
  return units;
}

std::string_view Piece(std::string_view utf8, const Span& span) {
  return span.set ? utf8.substr(span.begin, span.end - span.begin)
                  : std::string_view();
}

// Appends |replacement| for one match, expanding "$$", "$&", "$`", "$'",
// "$n" and "$nn" (group numbers that exist only; otherwise the "$" stays).
void AppendReplacement(std::string& out, std::string_view replacement,
                       std::string_view subject, const MatchSpans& match) {
  const size_t groups = match.size() - 1;
  auto digit = [&](size_t i) {
    return i < replacement.size() && replacement[i] >= '0' &&
           replacement[i] <= '9';
  };
  for (size_t i = 0; i < replacement.size(); ++i) {
    char c = replacement[i];
    if (c != '$' || i + 1 == replacement.size()) {
      out += c;
      continue;
    }
    char next = replacement[i + 1];
    if (next == '$') {
      out += '$';
      ++i;
    } else if (next == '&') {
      out += Piece(subject, match[0]);
      ++i;
    } else if (next == '`') {
      out += subject.substr(0, match[0].begin);
      ++i;
    } else if (next == '\'') {
      out += subject.substr(match[0].end);
      ++i;
    } else if (digit(i + 1)) {
      size_t one = static_cast<size_t>(next - '0');
      size_t two = digit(i + 2)
                       ? one * 10 + static_cast<size_t>(replacement[i + 2] - '0')
                       : 0;
      if (two >= 1 && two <= groups) {
        out += Piece(subject, match[two]);
        i += 2;
      } else if (one >= 1 && one <= groups) {
        out += Piece(subject, match[one]);
        ++i;
      } else {
        out += '$';
      }
    } else {
      out += '$';
    }
  }
}

Text ToText(std::string_view utf8) { return Utf8ViewToGbk(utf8); }

}  // namespace

struct RegexMatcher::Objects {
  std::shared_ptr<const Expression> expression;
  // Null when the last expression did not run.
  std::shared_ptr<const std::vector<Match>> matches;
};

RegexMatcher::RegexMatcher() : objects_(std::make_unique<Objects>()) {}

RegexMatcher::~RegexMatcher() = default;

RegexMatcher::RegexMatcher(const RegexMatcher& other)
    : objects_(std::make_unique<Objects>(*other.objects_)),
      subject_(other.subject_) {}

bool RegexMatcher::Execute(const Text& pattern, bool ignoreCase,
                           bool multiLine, bool globalMatch) {
  objects_->matches.reset();
  objects_->expression =
      Compile(pattern, ignoreCase, multiLine, globalMatch);
  if (!objects_->expression->code) return false;

  std::string subject = GbkToUtf8(subject_);
  auto matches = std::make_shared<std::vector<Match>>();
  for (const MatchSpans& spans : FindMatches(*objects_->expression, subject)) {
    Match match;
    match.value = ToText(Piece(subject, spans[0]));
    match.firstIndex = static_cast<double>(
        Utf16Units(std::string_view(subject).substr(0, spans[0].begin)));
    for (size_t i = 1; i < spans.size(); ++i) {
      match.groups.push_back(ToText(Piece(subject, spans[i])));
    }
    matches->push_back(std::move(match));
  }
  objects_->matches = std::move(matches);
  return true;
}

Text RegexMatcher::GetPattern() const {
  return objects_->expression ? objects_->expression->pattern : Text();
}

Text RegexMatcher::Replace(const Text& replacement) const {
  if (!objects_->expression || !objects_->expression->code) return Text();
  std::string subject = GbkToUtf8(subject_);
  std::string with = GbkToUtf8(replacement);
  std::string out;
  size_t copied = 0;
  for (const MatchSpans& match :
       FindMatches(*objects_->expression, subject)) {
    out.append(subject, copied, match[0].begin - copied);
    AppendReplacement(out, with, subject, match);
    copied = match[0].end;
  }
  out.append(subject, copied);
  return ToText(out);
}

int RegexMatcher::MatchCount() const {
  return objects_->matches ? static_cast<int>(objects_->matches->size()) : 0;
}

namespace {

const Match* MatchAt(const std::shared_ptr<const std::vector<Match>>& matches,
                     int index) {
  if (!matches || index < 0 ||
      static_cast<size_t>(index) >= matches->size()) {
    return nullptr;
  }
  return &(*matches)[static_cast<size_t>(index)];
}

}  // namespace

Text RegexMatcher::MatchValue(int index) const {
  const Match* match = MatchAt(objects_->matches, index);
  return match ? match->value : Text();
}

Text RegexMatcher::SubmatchValue(int index, int group) const {
  const Match* match = MatchAt(objects_->matches, index);
  if (!match || group < 0 ||
      static_cast<size_t>(group) >= match->groups.size()) {
    return Text();
  }
  return match->groups[static_cast<size_t>(group)];
}

double RegexMatcher::MatchFirstIndex(int index) const {
  const Match* match = MatchAt(objects_->matches, index);
  return match ? match->firstIndex : 0;
}

// The component's boolean read as text: "-1" for true, "0" for false.
Text RegexMatcher::IgnoreCaseAsText() const {
  if (!objects_->expression) return Text();
  return objects_->expression->ignoreCase ? Text("-1") : Text("0");
}

int RegexMatcher::SubmatchCount() const {
  const Match* match = MatchAt(objects_->matches, 0);
  return match ? static_cast<int>(match->groups.size()) : 0;
}

}  // namespace feed
