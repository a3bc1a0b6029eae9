// Text values and the operations on them that every other module uses.
//
// A Text is a byte string in code page 936 (GBK) that never holds a zero
// byte. Lengths and positions count bytes; positions are 1-based and a search
// that finds nothing answers -1. The absent text and the empty text are one
// value. Operations that step through characters treat a byte of 0x80 or
// above and the byte after it as one double-byte character; the operations
// that take left, right or middle parts count plain bytes.
//
// Every operation returns a fresh value owned by the caller and only reads
// its arguments. All of them are safe to call from several threads at once.

#ifndef FEED_COLLECTOR_TEXT_TEXT_PRIMITIVES_H_
#define FEED_COLLECTOR_TEXT_TEXT_PRIMITIVES_H_

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace feed {

class Text {
 public:
  Text() = default;
  // Reads up to the terminating zero byte; a null pointer is the empty text.
  Text(const char* zero_terminated);  // NOLINT(google-explicit-constructor)
  // Takes the bytes before the first zero byte of |bytes|.
  explicit Text(std::string_view bytes);
  explicit Text(std::string&& bytes);
  // |count| bytes of |source| from byte |offset|, clipped at its end. A part
  // of a text holds no zero byte, so no check is needed.
  static Text PartOf(const Text& source, size_t offset, size_t count);

  std::string_view view() const { return bytes_; }
  const std::string& str() const { return bytes_; }
  // Always zero-terminated; never null.
  const char* c_str() const { return bytes_.c_str(); }
  bool empty() const { return bytes_.empty(); }

  friend bool operator==(const Text& a, const Text& b) = default;
  // Shows the bytes in test failures.
  friend std::ostream& operator<<(std::ostream& out, const Text& text) {
    return out << '"' << text.bytes_ << '"';
  }

 private:
  std::string bytes_;
};

// An ordered list of texts indexed from 1 to Count(). Reading an index
// outside that range is a programming error: the program reports it and ends.
class TextArray {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  const Text& operator[](int index) const;
  void Append(Text item) { items_.push_back(std::move(item)); }

  std::vector<Text>::const_iterator begin() const { return items_.begin(); }
  std::vector<Text>::const_iterator end() const { return items_.end(); }

 private:
  std::vector<Text> items_;
};

int TextLength(const Text& text);
// The first min(count, length) bytes; empty when count <= 0.
Text TextLeft(const Text& text, int count);
// The last min(count, length) bytes; empty when count <= 0.
Text TextRight(const Text& text, int count);
// |count| bytes from 1-based |start|, clipped at the end; empty when
// start < 1, start > length or count <= 0.
Text TextMid(const Text& text, int start, int count);

// 1-based position of the first occurrence of |sought| at or after |start|,
// trying only character starts counted from |start|; -1 when there is none.
// |start| 0 (omitted) and 1 both search from the first byte. An empty
// |sought| answers 1 (not |start|) while a byte remains, else -1.
// |ignoreCase| folds the ASCII letters only, byte by byte.
int FindText(const Text& text, const Text& sought, int start = 0,
             bool ignoreCase = false);

// 0 when equal, otherwise negative or positive by character order. Note the
// flag: true respects letter case.
int CompareText(const Text& first, const Text& second, bool caseSensitive);
bool TextEquals(const Text& first, const Text& second);

// Blanks are the ASCII space and the full-width blank A1 A1, nothing else.
Text TrimBlanks(const Text& text);
Text RemoveBlanks(const Text& text);

// Replaces occurrences of |sought| scanning from |start| (0 or 1: the first
// byte). A |count| of 0 replaces nothing, a negative one everything; omitted
// means no limit. Note the flag: true respects letter case. Replacements never
// overlap and replaced text is not scanned again.
Text ReplaceText(const Text& text, const Text& sought,
                 const Text& replacement = Text(), int start = 0,
                 std::optional<int> count = std::nullopt,
                 bool caseSensitive = false);

// The pieces between occurrences of |separator| (byte-exact, at character
// starts). Adjacent separators enclose an empty piece, a leading one gives an
// empty first piece, a trailing one no empty last piece. An empty text gives
// no piece, an empty separator one piece. With |count|, at most that many
// pieces (a negative count counts as 0) and the rest is dropped.
TextArray SplitText(const Text& text, const Text& separator = Text(","),
                    std::optional<int> count = std::nullopt);

// |count| ASCII spaces; empty when count < 1.
Text BlankText(int count);

// The leading decimal integer, after folding full-width forms to ASCII and
// skipping leading white space; an optional sign; digits accumulate in
// wrapping 32-bit arithmetic. No digit gives 0; "3.9" gives 3.
int32_t TextToInt(const Text& text);

// A real as "%.13g" does, always with at least three exponent digits
// ("1e+013"); an integer as "%d".
Text NumberToText(double number);
Text NumberToText(int number);

// Truncates toward zero; NaN and values outside the 64-bit range give
// INT64_MIN, as the processor's conversion does.
int64_t TruncateToInteger(double real);

int ArrayCount(const TextArray& items);

// The bitwise OR of all its arguments.
template <typename... Ints>
int32_t BitwiseOr(int32_t first, Ints... rest) {
  return (first | ... | static_cast<int32_t>(rest));
}

namespace internal {
inline std::string_view AsView(const Text& t) { return t.view(); }
inline std::string_view AsView(const char* s) {
  return s ? std::string_view(s) : std::string_view();
}
}  // namespace internal

// The bytes of every part in order; absent parts count as empty.
template <typename... Parts>
Text ConcatText(const Parts&... parts) {
  std::string out;
  out.reserve((internal::AsView(parts).size() + ... + 0));
  (out.append(internal::AsView(parts)), ...);
  return Text(std::move(out));
}

}  // namespace feed

#endif  // FEED_COLLECTOR_TEXT_TEXT_PRIMITIVES_H_
