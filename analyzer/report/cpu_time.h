// Processor time used since an earlier clock() reading, in seconds: the tick
// difference divided by the runtime's own ticks per second (CLOCKS_PER_SEC).
#pragma once

#include <ctime>

// Seconds of processor time between start and now. The difference is taken in
// clock_t and converted to double before the division, so it cannot overflow
// an int however long the run.
double f_cpu_seconds_since(std::clock_t start);
