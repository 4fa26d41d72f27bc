#include "analyzer/report/cpu_time.h"

double f_cpu_seconds_since(std::clock_t start) {
  std::clock_t ticks = std::clock() - start;
  return static_cast<double>(ticks) / static_cast<double>(CLOCKS_PER_SEC);
}
