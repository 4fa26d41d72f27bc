// Arrival pass. One-phase arrival periods read the Poisson row N[k],
// k <= gv_mxn_abd: the k-th term goes to q + k while q + k < mxq, and the rest
// 1 - (N[0] + ... + N[h-1]) of h = mxq - q or more arrivals goes to mxq.
// Phase-type periods read X[a][b][k] up to k = h, start phase a, end phase b,
// and put the rest above h at mxq in the period's last phase.
#include "analyzer/model/arrival_transition.h"

#include <algorithm>
#include <vector>

#include "analyzer/model/pass_split.h"
#include "analyzer/model/running_sum.h"

namespace {

// Per row q: the largest (k - h) * weight of the reflections of an entry of
// the row, h = mxq - q, over k = h + 1..cap and the end phases.
std::vector<double> largest_reflections(const StateRange& rg, int cap, int n_b, const double* weights,
                                        std::size_t phase_stride) {
  std::vector<double> m(static_cast<std::size_t>(rg.mxq + 1), 0.0);
  for (int q = 0; q <= rg.mxq; ++q) {
    const int h = rg.mxq - q;
    for (int k = h + 1; k <= cap; ++k) {
      for (int b = 0; b < n_b; ++b) {
        m[static_cast<std::size_t>(q)] =
            std::max(m[static_cast<std::size_t>(q)], (k - h) * weights[static_cast<std::size_t>(b) * phase_stride + static_cast<std::size_t>(k)]);
      }
    }
  }
  return m;
}

// Reflections of one block in the order of its entries: of k > h arrivals,
// k - h find no room; weights holds, per k, the terms summed over end phases.
// An entry whose largest term, bounded by row_max, cannot change the sum is
// passed by.
void add_reflections(const double* src, const StateRange& rg, int cap, int n_b, const double* weights,
                     std::size_t phase_stride, const std::vector<double>& row_max, double& reflections) {
  double sum = reflections;  // in a register: the weights could alias the total
  for (int q = 0; q <= rg.mxq; ++q) {
    const int h = rg.mxq - q;
    if (h + 1 > cap) continue;
    for (int r = 0; r < rg.r_len; ++r) {
      const double p = src[static_cast<std::size_t>(q) * rg.Q + static_cast<std::size_t>(r)];
      if (!(p > 0.0) || p * row_max[static_cast<std::size_t>(q)] < f_unchanged_below(sum)) continue;
      for (int k = h + 1; k <= cap; ++k) {
        for (int b = 0; b < n_b; ++b) {
          sum += ((k - h) * p) * weights[static_cast<std::size_t>(b) * phase_stride + static_cast<std::size_t>(k)];
        }
      }
    }
  }
  reflections = sum;
}

// The arrivals keep j and l: every pair (j, l) is a task of its own, which
// clears the blocks of its pair and fills them from the sources a, q in the
// order of a single run. The reflections are one running sum over the
// source blocks in order, so they are taken by count(), a sweep of its own
// on one thread beside the pass.
template <class Count, class Fn>
void split_by_pairs(StateDist& st, const StateRange& rg, PassSlices shared, Count&& count, Fn&& fn) {
  const EntryPart whole = f_whole_block(rg);
  f_parallel_tasks_beside(f_pair_count(rg), f_range_entries(rg), count, [&](int t) {
    const PassSlices ps = f_thread_slices(shared);
    const auto [j, l] = f_pair_at(rg, t);
    for (int a = 0; a < rg.n_a; ++a) f_part_clear(ps.cur + st.block(a, j, l), whole);
    for (int a = 0; a < rg.n_a; ++a) fn(ps, a, j, l, st.block(a, j, l));
  });
}

void arrivals_one_phase(StateDist& st, const StateRange& rg, const std::vector<double>& N, bool last,
                        double& reflections) {
  PassSlices shared = f_flip_slices(st);
  const int cap = gv_mxn_abd;
  const std::size_t Q = rg.Q;
  const std::size_t len = static_cast<std::size_t>(rg.r_len);
  const auto count = [&] {
    if (!last) return;
    const std::vector<double> row_max = largest_reflections(rg, cap, 1, N.data(), 0);
    f_for_each_block(st, rg, [&](int, int, int, std::size_t off) {
      add_reflections(shared.src + off, rg, cap, 1, N.data(), 0, row_max, reflections);
    });
  };
  split_by_pairs(st, rg, shared, count, [&](PassSlices ps, int, int, int, std::size_t off) {
    double* cur = ps.cur + off;
    const double* moving = f_moving_block(ps, rg, off);
    // Row q of every r moves together: each target (q', r) receives from
    // the rows q < q' in increasing order, as entry by entry.
    for (int q = 0; q <= rg.mxq; ++q) {
      const int h = rg.mxq - q;
      const double* mrow = moving + static_cast<std::size_t>(q) * Q;
      if (!f_row_moves(mrow, len)) continue;
      double cum = 0.0;
      const int k_hi = std::min(h - 1, cap);
      for (int k = 0; k <= k_hi; ++k) {
        f_move_row(mrow, cur + static_cast<std::size_t>(q + k) * Q, len, N[static_cast<std::size_t>(k)]);
        cum = cum + N[static_cast<std::size_t>(k)];
      }
      if (h <= cap && 1.0 > cum) {
        f_move_row(mrow, cur + static_cast<std::size_t>(rg.mxq) * Q, len, 1.0 - cum);
      }
    }
  });
}

void arrivals_phase_type(StateDist& st, const StateRange& rg, const ArrivalBlock& X, bool last,
                         double& reflections) {
  PassSlices shared = f_flip_slices(st);
  const int cap = gv_mxn_abd;
  const int n_b = X.n;
  const std::size_t Q = rg.Q;
  const std::size_t len = static_cast<std::size_t>(rg.r_len);
  const std::size_t phase_stride = static_cast<std::size_t>(X.mxq + 1);
  const auto count = [&] {
    if (!last) return;
    std::vector<std::vector<double>> row_max;
    for (int a = 0; a < rg.n_a; ++a) {
      row_max.push_back(largest_reflections(rg, cap, n_b, X.v.data() + X.idx(a, 0, 0), phase_stride));
    }
    f_for_each_block(st, rg, [&](int a, int, int, std::size_t off) {
      add_reflections(shared.src + off, rg, cap, n_b, X.v.data() + X.idx(a, 0, 0), phase_stride,
                      row_max[static_cast<std::size_t>(a)], reflections);
    });
  };
  split_by_pairs(st, rg, shared, count, [&](PassSlices ps, int a, int j, int l, std::size_t off) {
    const double* Xa = X.v.data() + X.idx(a, 0, 0);
    const double* src = ps.src + off;
    const double* moving = f_moving_block(ps, rg, off);
    double* rest_row = ps.cur + st.block(n_b - 1, j, l) + static_cast<std::size_t>(rg.mxq) * Q;
    for (int q = 0; q <= rg.mxq; ++q) {
      const int h = rg.mxq - q;
      const double* srow = src + static_cast<std::size_t>(q) * Q;
      const double* mrow = moving + static_cast<std::size_t>(q) * Q;
      if (!f_row_moves(mrow, len)) continue;
      double cum = 0.0;
      for (int k = 0; k <= h; ++k) {
        for (int b = 0; b < n_b; ++b) {
          const double x = Xa[static_cast<std::size_t>(b) * phase_stride + static_cast<std::size_t>(k)];
          f_move_row(mrow, ps.cur + st.block(b, j, l) + static_cast<std::size_t>(q + k) * Q, len, x);
          cum = cum + x;
        }
      }
      // The rest is tested as the product (1 - cum) * p, entry by entry.
      const double rem = 1.0 - cum;
      for (std::size_t r = 0; r < len; ++r) {
        const double p = srow[r];
        if (!(p > 0.0)) continue;
        const double rest = rem * p;
        if (rest > 0.0) rest_row[r] += rest;
      }
    }
  });
}

}  // namespace

void f_arrival_transition(ModelInstance& inst, CycleState& cyc) {
  StateRange rg = f_state_range(inst, cyc.per_iat);
  const std::size_t p = static_cast<std::size_t>(cyc.per_iat);
  if (inst.fits.layout_arr) {
    arrivals_phase_type(inst.state, rg, inst.counts.arr_cnt_2ph[p], cyc.last_cycle, cyc.reflections);
  } else {
    arrivals_one_phase(inst.state, rg, inst.counts.arr_cnt[p], cyc.last_cycle, cyc.reflections);
  }
}
