#include "web/charset_names.h"

#include <string>

namespace feed {
namespace {

constexpr CharsetName kCharsets[] = {
    {"utf-8", 65001},
    {"utf8", 65001},
    {"gbk", 936},
    {"gb2312", 936},
    {"x-gbk", 936},
    {"cp936", 936},
    {"gb18030", 54936},  // missing from some systems: decodes to nothing
    {"big5", 950},
    {"cp950", 950},
    {"shift_jis", 932},
    {"shift-jis", 932},
    {"sjis", 932},
    {"x-sjis", 932},
    {"windows-31j", 932},
    {"euc-jp", 20932},
    {"x-euc-jp", 20932},
    {"euc-kr", 949},
    {"ks_c_5601-1987", 949},
    {"iso-8859-1", 28591},
    {"latin1", 28591},
    {"iso-8859-2", 28592},
    {"iso-8859-5", 28595},
    {"iso-8859-7", 28597},
    {"iso-8859-15", 28605},
    {"koi8-r", 20866},
    {"windows-1250", 1250},
    {"windows-1251", 1251},
    {"windows-1252", 1252},
    {"windows-1253", 1253},
    {"windows-1254", 1254},
    {"windows-1255", 1255},
    {"windows-1256", 1256},
    {"windows-1257", 1257},
    {"windows-1258", 1258},
    {"us-ascii", 20127},
    {"ascii", 20127},
};

}  // namespace

std::span<const CharsetName> KnownCharsets() { return kCharsets; }

int CodePageOfCharset(const Text& name) {
  std::string lower(name.view());
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  for (const CharsetName& charset : kCharsets) {
    if (lower == charset.name) return charset.codePage;
  }
  return 0;
}

}  // namespace feed
