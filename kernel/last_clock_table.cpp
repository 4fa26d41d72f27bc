#include "kernel/last_clock_table.h"

#include <string>

#include "kernel/fatal_exit.h"

std::vector<double> f_last_clock_table(double a, double b, int N) {
  if (N < 0) {
    f_fatal_exit("Last-clock table size N = " + std::to_string(N) + " violates N >= 0.");
  }
  // Row 0 (no rate-a clock, K(0, 0) included) stays 0.
  std::vector<double> k(f_last_clock_index(N, N, N) + 1, 0.0);
  for (int i = 1; i <= N; ++i) {
    const double ia = i * a;
    k[f_last_clock_index(i, 0, N)] = 1.0;
    for (int j = 1; j <= N; ++j) {
      const double jb = j * b;
      // Both weights and both earlier values are non-negative for positive
      // rates, so nothing cancels.
      k[f_last_clock_index(i, j, N)] =
          (ia * k[f_last_clock_index(i - 1, j, N)] + jb * k[f_last_clock_index(i, j - 1, N)]) /
          (ia + jb);
    }
  }
  return k;
}
