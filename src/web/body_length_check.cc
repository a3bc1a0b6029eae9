#include "web/body_length_check.h"

#include <string_view>

namespace feed {
namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char a = text[i];
    char b = prefix[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
    text.remove_suffix(1);
  return text;
}

// The decimal number that is the whole of |text|; -1 otherwise.
int64_t WholeNumber(std::string_view text) {
  if (text.empty() || text.size() > 18) return -1;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

bool BodyShorterThanAnnounced(const Text& rawHeaders, int64_t bodyLength,
                              bool headRequest) {
  if (headRequest) return false;
  std::string_view text = rawHeaders.view();
  size_t end = text.find("\r\n");
  std::string_view statusLine = text.substr(0, end);
  // "HTTP/1.1 204 No Content": the code follows the first blank.
  size_t blank = statusLine.find(' ');
  if (blank != std::string_view::npos) {
    std::string_view code = statusLine.substr(blank + 1, 3);
    if (code.size() == 3 &&
        (code[0] == '1' || code == "204" || code == "304")) {
      return false;
    }
  }
  int64_t announced = -1;
  while (end != std::string_view::npos) {
    size_t start = end + 2;
    end = text.find("\r\n", start);
    std::string_view line = text.substr(start, end - start);
    if (StartsWithIgnoringCase(line, "Transfer-Encoding:")) return false;
    if (announced < 0 && StartsWithIgnoringCase(line, "Content-Length:"))
      announced = WholeNumber(Trim(line.substr(15)));
  }
  return announced > bodyLength;
}

}  // namespace feed
