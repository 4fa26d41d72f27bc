// Processor time used since an earlier clock() reading, in seconds: the tick
// difference divided by the runtime's own ticks per second (CLOCKS_PER_SEC).
#pragma once

#include <cstdint>
#include <ctime>

// Seconds of processor time between start and now. The difference is taken in
// clock_t and converted to double before the division, so it cannot overflow
// an int however long the run.
double f_cpu_seconds_since(std::clock_t start);

// Whole milliseconds of processor time between start and now: the clock of
// 1000 ticks per second that the simulation's CPU time is counted in.
inline std::int64_t f_cpu_milliseconds_since(std::clock_t start) {
  const std::int64_t ticks = static_cast<std::int64_t>(std::clock() - start);
  return ticks * 1000 / static_cast<std::int64_t>(CLOCKS_PER_SEC);
}
