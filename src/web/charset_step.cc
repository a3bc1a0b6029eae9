#include "web/charset_step.h"

#include <utility>

#include "text/environment.h"
#include "web/charset_decoder.h"
#include "web/charset_names.h"

namespace feed {
namespace {

constexpr int kDeclarationWindow = 1024;
constexpr char kDeclarationPattern[] = "<meta.+?charset=[^\\w]?([-\\w]+)";

}  // namespace

void ApplyDeclaredCharset(RegexMatcher& matcher, const Bytes& body,
                          Text& replyText) {
  Text head = TextLeft(replyText, kDeclarationWindow);
  if (!matcher.Create(kDeclarationPattern, head)) return;
  Text name = matcher.SubmatchText(1, 1);
  if (!name.empty()) {
    int codePage = CodePageOfCharset(name);
    Text decoded = codePage ? DecodeCharset(body, codePage) : Text();
    // Nothing decoded (an unknown name, a charset this system lacks) must
    // not wipe out a reply that did arrive.
    if (!decoded.empty()) replyText = std::move(decoded);
  }
  ProcessEvents();
}

}  // namespace feed
