// Entry point of the unit test executable, the same on every platform.

#include <gtest/gtest.h>

#include "text/fatal_error.h"

int main(int argc, char** argv) {
  feed::InstallOutOfMemoryHandler();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
