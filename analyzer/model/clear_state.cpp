// Zeroes the region of one slice of the state distribution that the next
// sub-step writes: arrival levels a < n_a, busy pairs j + l <= m, all (q, r).
#include <algorithm>
#include <cstddef>

#include "analyzer/model/state_dist.h"

void f_clear_state(StateDist& state, int n_a, int m, int slice) {
  if (n_a < 1 || m < 0) return;
  std::vector<double>& s = state.slice[slice];
  for (int a = 0; a < n_a; ++a)
    for (int j = 0; j <= m; ++j) {
      // For fixed (a, j) the blocks of l = 0..m-j are adjacent.
      std::size_t first = state.block(a, j, 0);
      std::size_t last = state.block(a, j, m - j) + state.qr_size();
      std::fill(s.begin() + static_cast<std::ptrdiff_t>(first), s.begin() + static_cast<std::ptrdiff_t>(last), 0.0);
    }
}
