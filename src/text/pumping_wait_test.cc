#include "text/pumping_wait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <thread>

namespace feed {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

milliseconds Since(Clock::time_point start) {
  return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

TEST(PumpingWaitTest, DueTimes) {
  struct Case {
    int interval;
    int unit;
    int64_t due;
  };
  const Case cases[] = {
      {10, 0, -100000},
      {10, 1, -100000000},
      {1, 2, -600000000},
      {1, 3, -36000000000},
      {3, 5, -150000},  // other units are milliseconds per unit
      {0, 0, 0},
      {-5, 0, 0},
      {0, 3, 0},
      {3, -5, 0},
      {-3, -5, -150000},  // the product counts, not its factors
      {INT_MAX, 1, -21474836470000000},
      {INT_MIN, 3, 0},
      {INT_MAX, 3, -kLongestWaitDueTime},
      {INT_MAX, INT_MAX, -kLongestWaitDueTime},
      {INT_MIN, INT_MIN, -kLongestWaitDueTime},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.interval << " x unit " << c.unit);
    EXPECT_EQ(PumpingWaitDueTime(c.interval, c.unit), c.due);
  }
}

TEST(PumpingWaitTest, WaitsAboutTheTimeAsked) {
  struct Case {
    int interval;
    int unit;
    milliseconds least;
  };
  const Case cases[] = {
      {60, 0, milliseconds(50)},
      {12, 5, milliseconds(50)},  // 12 units of 5 ms
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.interval);
    auto start = Clock::now();
    EXPECT_TRUE(PumpingWait(c.interval, c.unit));
    milliseconds took = Since(start);
    EXPECT_GE(took, c.least);
    EXPECT_LT(took, milliseconds(5000));
  }
}

TEST(PumpingWaitTest, NothingToWaitForReturnsAtOnce) {
  auto start = Clock::now();
  EXPECT_TRUE(PumpingWait());
  EXPECT_TRUE(PumpingWait(0));
  EXPECT_TRUE(PumpingWait(-100000));
  EXPECT_TRUE(PumpingWait(100000, -1));
  EXPECT_TRUE(PumpingWait(INT_MIN, 3));
  EXPECT_LT(Since(start), milliseconds(1000));
}

TEST(PumpingWaitTest, StopRequestEndsTheWait) {
  StopSignal stop;
  std::thread stopper([&stop] {
    std::this_thread::sleep_for(milliseconds(50));
    stop.Request();
  });
  auto start = Clock::now();
  EXPECT_TRUE(PumpingWait(60, 1, &stop));
  EXPECT_LT(Since(start), milliseconds(10000));
  stopper.join();

  // Already requested: no wait at all.
  start = Clock::now();
  EXPECT_TRUE(PumpingWait(60, 1, &stop));
  EXPECT_LT(Since(start), milliseconds(1000));
}

TEST(PumpingWaitTest, LongestWaitReallyWaits) {
  // A due time that overflowed the clock would end at once.
  StopSignal stop;
  std::atomic<bool> returned{false};
  std::thread waiter([&] {
    PumpingWait(INT_MAX, INT_MAX, &stop);
    returned = true;
  });
  std::this_thread::sleep_for(milliseconds(200));
  bool returnedEarly = returned;
  stop.Request();
  waiter.join();
  EXPECT_FALSE(returnedEarly);
}

}  // namespace
}  // namespace feed
