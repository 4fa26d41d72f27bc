// K(i, j): the probability that, of i exponential clocks of rate a and j of
// rate b started together, the last one to ring is a rate-a clock. The next
// clock to ring has rate a with probability i·a / (i·a + j·b), so
//   K(i, 0) = 1, K(0, j) = 0, K(i, j) = (i·a·K(i−1, j) + j·b·K(i, j−1)) / (i·a + j·b).
#pragma once

#include <cstddef>
#include <vector>

// Position of K(i, j) in a table of side N + 1 (row i, column j).
inline std::size_t f_last_clock_index(int i, int j, int N) {
  return static_cast<std::size_t>(i) * static_cast<std::size_t>(N + 1) +
         static_cast<std::size_t>(j);
}

// The whole table K(i, j) for 0 <= i, j <= N, in one O(N²) sweep of the
// recursion above, as (N + 1)·(N + 1) doubles row by row: K(i, j) is at
// f_last_clock_index(i, j, N) = i·(N + 1) + j. K(0, 0), where no clock runs,
// is 0. There is no bound on N. Every term of the recursion is positive for
// positive rates, so the rounding error stays near the last bit and every
// entry lies in [0, 1]; K(i, j) depends on a / b alone. Zero rates are
// allowed as long as a and b are not both 0 (a = 0 gives 1 for every i >= 1,
// b = 0 gives 0 for every j >= 1). N must not be negative.
std::vector<double> f_last_clock_table(double a, double b, int N);
