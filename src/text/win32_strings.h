// Wide strings for Win32 calls from Text, and back. Windows builds only.
// Both use code page 936 whatever the system's ANSI code page is.

#ifndef FEED_COLLECTOR_TEXT_WIN32_STRINGS_H_
#define FEED_COLLECTOR_TEXT_WIN32_STRINGS_H_

#include <string>
#include <string_view>

#include "text/text_primitives.h"

namespace feed {

std::wstring WideFromGbk(const Text& text);
Text GbkFromWide(std::wstring_view wide);

}  // namespace feed

#endif  // FEED_COLLECTOR_TEXT_WIN32_STRINGS_H_
