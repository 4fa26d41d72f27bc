// Processor-time helper: clock ticks are converted to seconds with the
// runtime's own ticks per second, also for spans far beyond the int range.
#include "analyzer/report/cpu_time.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

// Generous bound for the processor time a test spends between two readings.
constexpr double kSlackSeconds = 1.0;

}  // namespace

TEST(CpuTime, ElapsedTicksAreReportedInSeconds) {
  std::clock_t five_seconds_ago = std::clock() - static_cast<std::clock_t>(5) * CLOCKS_PER_SEC;
  double seconds = f_cpu_seconds_since(five_seconds_ago);
  EXPECT_GE(seconds, 5.0);
  EXPECT_LT(seconds, 5.0 + kSlackSeconds);
}

TEST(CpuTime, SpanBeyondTheIntRangeDoesNotOverflow) {
  if (sizeof(std::clock_t) < 8) GTEST_SKIP() << "clock_t cannot hold the span";
  // 10^6 seconds is 10^12 ticks at the usual 10^6 ticks per second.
  std::clock_t long_ago = std::clock() - static_cast<std::clock_t>(1000000) * CLOCKS_PER_SEC;
  double seconds = f_cpu_seconds_since(long_ago);
  EXPECT_GE(seconds, 1.0e6);
  EXPECT_LT(seconds, 1.0e6 + kSlackSeconds);
}

TEST(CpuTime, ReadingTakenNowGivesAlmostNothing) {
  double seconds = f_cpu_seconds_since(std::clock());
  EXPECT_GE(seconds, 0.0);
  EXPECT_LT(seconds, kSlackSeconds);
}
