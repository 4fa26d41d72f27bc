// For m units all in phase 1 of a two-phase chain (phase-1 rate mu1, which
// moves a unit on to phase 2 with probability p or ends its stay otherwise;
// phase-2 rate mu2), the probability that after one interval x are in phase 2
// and y have left.
#pragma once

#include <cstddef>
#include <vector>

// Blocks over group sizes m = 0..M, each an (m+1) x (m+1) matrix [x][y].
struct SquareBlocks {
  int M = -1;
  std::vector<double> v;

  static std::size_t base(int m) {
    std::size_t mm = static_cast<std::size_t>(m);
    return mm * (mm + 1) * (2 * mm + 1) / 6;
  }
  std::size_t idx(int m, int x, int y) const {
    return base(m) + static_cast<std::size_t>(x) * static_cast<std::size_t>(m + 1) + static_cast<std::size_t>(y);
  }
  double at(int m, int x, int y) const { return v[idx(m, x, y)]; }
  double& at(int m, int x, int y) { return v[idx(m, x, y)]; }
  // Sizes the table for m = 0..M_ with every entry 0.0.
  void reset(int M_) {
    M = M_;
    v.assign(M_ < 0 ? 0 : base(M_ + 1), 0.0);
  }
};

// out must be reset(M) by the caller (all 0.0). Uses the series terms
// 0..mxn_suc_2PH of the uniformisation. A start count whose no-event
// probability comes out not positive prints "Negative probability mass" and
// keeps out[m][0][0] at 0.0.
void f_2PH_advancement(SquareBlocks& out, int M, double mu1, double mu2, double p, double Delta,
                       int mxn_suc_2PH);
