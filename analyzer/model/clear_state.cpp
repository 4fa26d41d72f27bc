// Zeroes the region of one slice of the state distribution that the next
// sub-step writes: arrival levels a < n_a, busy pairs j + l <= m, all (q, r).
#include <algorithm>
#include <cstddef>

#include "analyzer/model/state_dist.h"

void f_clear_state(StateDist& state, int n_a, int m, int slice) {
  if (n_a < 1 || m < 0) return;
  double* s = state.slice[slice].data();
  // Each (a, j) clears its own run on some core: for fixed (a, j) the blocks
  // of l = 0..m-j are adjacent.
  const int runs = n_a * (m + 1);
  const bool large = static_cast<std::size_t>(n_a) * state.pairs * state.qr_size() >= kParallelEntries;
#pragma omp parallel for schedule(static) if (large)
  for (int t = 0; t < runs; ++t) {
    const int a = t / (m + 1), j = t % (m + 1);
    std::fill(s + state.block(a, j, 0), s + state.block(a, j, m - j) + state.qr_size(), 0.0);
  }
}
