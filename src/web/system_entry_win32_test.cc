#include "web/system_entry_win32.h"

#include <gtest/gtest.h>

#include "text/fatal_error.h"

namespace feed {
namespace {

TEST(SystemEntryTest, FindsAnEntryOnce) {
  LazyEntry<void* (*)()> entry("Winhttp.dll", "WinHttpCheckPlatform");
  void* (*first)() = entry.get();
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(entry.get(), first);
  EXPECT_EQ(reinterpret_cast<void*>(first),
            FindSystemEntry("Winhttp.dll", "WinHttpCheckPlatform"));
}

TEST(SystemEntryDeathTest, AMissingEntryOrLibraryEndsTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(FindSystemEntry("Winhttp.dll", "WinHttpNoSuchFunction"),
              testing::ExitedWithCode(kFatalExitCode),
              "WinHttpNoSuchFunction.*Winhttp\\.dll");
  EXPECT_EXIT(FindSystemEntry("NoSuchLibrary.dll", "WinHttpOpen"),
              testing::ExitedWithCode(kFatalExitCode),
              "WinHttpOpen.*NoSuchLibrary\\.dll");
}

}  // namespace
}  // namespace feed
