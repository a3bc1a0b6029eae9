// RegexMatcher: a small regular-expression object that runs one pattern over
// one subject and keeps the matches for later questions. The web request
// uses it to find a charset declared in a reply; the other operations are
// general.
//
// Windows builds drive the system's "VBScript.RegExp" component by name;
// other builds use PCRE2 with the same options and the same answers. The
// expressions follow the component's (JavaScript-like) syntax.
//
// Texts are code page 936. Match and group numbers are 1-based. Nothing
// here reports an error: a missing expression, collection, match or group
// gives the empty text, 0 or false. Results are fresh values owned by the
// caller.
//
// Threads: a matcher holds its thread in COM (ComApartment) from
// construction to destruction, so it must be created, used and destroyed on
// one thread.

#ifndef FEED_COLLECTOR_WEB_REGEX_MATCHER_H_
#define FEED_COLLECTOR_WEB_REGEX_MATCHER_H_

#include <memory>

#include "text/com_apartment.h"
#include "text/text_primitives.h"

namespace feed {

class RegexMatcher {
 public:
  // An empty matcher: no expression, no matches, no subject.
  RegexMatcher();
  ~RegexMatcher();
  // Shares |other|'s expression and matches and copies its subject; later
  // Create calls on either one leave the other as it was.
  RegexMatcher(const RegexMatcher& other);
  RegexMatcher& operator=(const RegexMatcher&) = delete;

  // Drops the expression and matches of any earlier call, makes a new
  // expression from |pattern| and runs it over |subject|, which is kept for
  // Replace and the positions. By default letter case is ignored, "^" and
  // "$" also match at line ends, and every match is found (otherwise only
  // the first). With |quotePlaceholders| each kQuotePlaceholder in |pattern|
  // stands for a double quote. True when the expression ran, even without a
  // match; false when it could not be made or the pattern is not valid
  // (every question then answers empty, except GetPattern).
  bool Create(const Text& pattern, const Text& subject,
              bool caseSensitive = false, bool multiLine = true,
              bool globalMatch = true, bool quotePlaceholders = false);

  // The pattern of the last Create (placeholders replaced); empty before
  // the first.
  Text GetPattern() const;

  // The kept subject with the matches (every match, or the first one when
  // Create asked for only the first) replaced by |replacement|, in which
  // "$1" to "$99" stand for the groups, "$&" for the match, "$`" and "$'"
  // for the text before and after it, and "$$" for "$". Empty when there is
  // no valid expression.
  Text Replace(const Text& replacement = Text()) const;

  // The number of matches of the last Create.
  int MatchCount() const;

  // The text of match |n|. With |position|, also stores a 0-based byte
  // offset of that text in the subject, or -2 when it is not found: the
  // subject is searched for the text (FindText) from the match's index in
  // the component's own string taken as a 1-based byte position (the index
  // counts UTF-16 units, so the search starts at or before the match). The
  // search folds letter case only when the expression respects case, so an
  // occurrence differing in case just before the match can be reported
  // instead; callers have always seen these offsets, so they are kept.
  Text MatchText(int n, int* position = nullptr) const;

  // The text of group |k| of match |n| (empty when the group took no part);
  // |position| as for MatchText, searching for the group's text.
  Text SubmatchText(int n, int k, int* position = nullptr) const;

  // The number of groups in the pattern, as the first match reports it; 0
  // without a match.
  int SubmatchCount() const;

 private:
  // The platform's expression object and match collection.
  struct Objects;

  // Platform parts: make the expression and run it over subject_; read
  // values from the kept objects (empty or 0 when missing).
  bool Execute(const Text& pattern, bool ignoreCase, bool multiLine,
               bool globalMatch);
  Text MatchValue(int index) const;
  Text SubmatchValue(int index, int group) const;
  double MatchFirstIndex(int index) const;
  Text IgnoreCaseAsText() const;

  int FindPosition(const Text& sought, int index) const;

  ComApartment com_;  // first in, last out: the objects need COM
  std::unique_ptr<Objects> objects_;
  Text subject_;
};

}  // namespace feed

#endif  // FEED_COLLECTOR_WEB_REGEX_MATCHER_H_
