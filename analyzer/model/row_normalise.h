// Sums and rescaling of contiguous table rows: S = entries added in index
// order; a row whose S is not exactly 1.0 has every entry divided by S.
#pragma once

#include <cstddef>

inline double f_row_sum(const double* first, std::size_t count) {
  double sum = 0.0;
  for (std::size_t i = 0; i < count; ++i) sum += first[i];
  return sum;
}

// A row that already sums to exactly 1.0 is left as computed.
inline void f_normalise_row(double* first, std::size_t count) {
  double sum = f_row_sum(first, count);
  if (sum != 1.0) {
    for (std::size_t i = 0; i < count; ++i) first[i] = first[i] / sum;
  }
}
