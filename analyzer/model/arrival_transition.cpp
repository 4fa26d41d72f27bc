// Arrival pass. One-phase arrival periods read the Poisson row N[k],
// k <= gv_mxn_abd: the k-th term goes to q + k while q + k < mxq, and the rest
// 1 - (N[0] + ... + N[h-1]) of h = mxq - q or more arrivals goes to mxq.
// Phase-type periods read X[a][b][k] up to k = h, start phase a, end phase b,
// and put the rest above h at mxq in the period's last phase.
#include "analyzer/model/arrival_transition.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "analyzer/model/background_sums.h"
#include "analyzer/model/pass_split.h"
#include "analyzer/model/running_sum.h"

namespace {

// Per row q: the largest (k - h) * weight of the reflections of an entry of
// the row, h = mxq - q, over k = h + 1..cap and the end phases.
std::vector<double> largest_reflections(int mxq, int cap, int n_b, const double* weights, std::size_t phase_stride) {
  std::vector<double> m(static_cast<std::size_t>(mxq + 1), 0.0);
  for (int q = 0; q <= mxq; ++q) {
    const int h = mxq - q;
    for (int k = h + 1; k <= cap; ++k) {
      for (int b = 0; b < n_b; ++b) {
        m[static_cast<std::size_t>(q)] =
            std::max(m[static_cast<std::size_t>(q)],
                     (k - h) * weights[static_cast<std::size_t>(b) * phase_stride + static_cast<std::size_t>(k)]);
      }
    }
  }
  return m;
}

// Reflections of the kept source entries, block by block in the order of
// their entries: of k > h arrivals, k - h find no room; weights[a] holds,
// per k, the terms of start phase a summed over the end phases. An entry
// whose largest term cannot change the sum is passed by.
void add_reflections(const PositiveEntries& kept, int mxq, int cap, int n_b, const std::vector<const double*>& weights,
                     std::size_t phase_stride, double& reflections) {
  std::vector<std::vector<double>> row_max;
  for (const double* w : weights) row_max.push_back(largest_reflections(mxq, cap, n_b, w, phase_stride));
  double sum = reflections;  // in a register: the weights could alias the total
  for (std::size_t k = 0; k < kept.blocks.size(); ++k) {
    const std::size_t a = static_cast<std::size_t>(kept.a[k]);
    const double* w = weights[a];
    for (const PositiveEntries::Entry& e : kept.blocks[k]) {
      const int h = mxq - e.q;
      if (h + 1 > cap || e.p * row_max[a][static_cast<std::size_t>(e.q)] < f_unchanged_below(sum)) continue;
      for (int n = h + 1; n <= cap; ++n) {
        for (int b = 0; b < n_b; ++b) {
          sum += ((n - h) * e.p) * w[static_cast<std::size_t>(b) * phase_stride + static_cast<std::size_t>(n)];
        }
      }
    }
  }
  reflections = sum;
}

// The arrivals keep j and l: every pair (j, l) is a task of its own, which
// clears the blocks of its pair and fills them from the sources a, q in the
// order of a single run. The reflections are one running sum over the
// source blocks in order: in the last cycle each task keeps the positive
// entries of its source blocks, and a job that runs after the pass (on the
// background thread of the measured cycle, if any) adds the terms.
template <class Fn>
std::shared_ptr<PositiveEntries> split_by_pairs(StateDist& st, const StateRange& rg, PassSlices shared, bool keep,
                                                Fn&& fn) {
  const EntryPart whole = f_whole_block(rg);
  const int pairs = f_pair_count(rg);
  std::shared_ptr<PositiveEntries> kept;
  if (keep) kept = std::make_shared<PositiveEntries>(static_cast<std::size_t>(rg.n_a * pairs));
  f_parallel_tasks(pairs, f_range_entries(rg), [&](int t) {
    const PassSlices ps = f_thread_slices(shared);
    const auto [j, l] = f_pair_at(rg, t);
    for (int a = 0; a < rg.n_a; ++a) {
      if (kept) kept->take(static_cast<std::size_t>(a * pairs + t), a, ps.src + st.block(a, j, l), rg);
      f_part_clear(ps.cur + st.block(a, j, l), whole);
    }
    for (int a = 0; a < rg.n_a; ++a) fn(ps, a, j, l, st.block(a, j, l));
  });
  return kept;
}

void arrivals_one_phase(StateDist& st, const StateRange& rg, const std::vector<double>& N, bool last,
                        double& reflections, BackgroundSums* background) {
  PassSlices shared = f_flip_slices(st);
  const int cap = gv_mxn_abd;
  const std::size_t Q = rg.Q;
  const std::size_t len = static_cast<std::size_t>(rg.r_len);

  const std::shared_ptr<PositiveEntries> kept =
      split_by_pairs(st, rg, shared, last, [&](PassSlices ps, int, int, int, std::size_t off) {
        double* cur = ps.cur + off;
        const double* moving = f_moving_block(ps, rg, off);
        // Row q of every r moves together: each target (q', r) receives from
        // the rows q < q' in increasing order, as entry by entry.
        for (int q = 0; q <= rg.mxq; ++q) {
          const int h = rg.mxq - q;
          const double* mrow = moving + static_cast<std::size_t>(q) * Q;
          const std::size_t ext = f_row_extent(mrow, len);
          if (ext == 0) continue;
          double cum = 0.0;
          const int k_hi = std::min(h - 1, cap);
          for (int k = 0; k <= k_hi; ++k) {
            f_move_row(mrow, cur + static_cast<std::size_t>(q + k) * Q, ext, N[static_cast<std::size_t>(k)]);
            cum = cum + N[static_cast<std::size_t>(k)];
          }
          if (h <= cap && 1.0 > cum) {
            f_move_row(mrow, cur + static_cast<std::size_t>(rg.mxq) * Q, ext, 1.0 - cum);
          }
        }
      });
  if (kept) {
    f_hand_over(background, [kept, w = std::vector<const double*>{N.data()}, mxq = rg.mxq, cap, &reflections] {
      add_reflections(*kept, mxq, cap, 1, w, 0, reflections);
    });
  }
}

void arrivals_phase_type(StateDist& st, const StateRange& rg, const ArrivalBlock& X, bool last, double& reflections,
                         BackgroundSums* background) {
  PassSlices shared = f_flip_slices(st);
  const int cap = gv_mxn_abd;
  const int n_b = X.n;
  const std::size_t Q = rg.Q;
  const std::size_t len = static_cast<std::size_t>(rg.r_len);
  const std::size_t phase_stride = static_cast<std::size_t>(X.mxq + 1);

  const std::shared_ptr<PositiveEntries> kept =
      split_by_pairs(st, rg, shared, last, [&](PassSlices ps, int a, int j, int l, std::size_t off) {
        const double* Xa = X.v.data() + X.idx(a, 0, 0);
        const double* src = ps.src + off;
        const double* moving = f_moving_block(ps, rg, off);
        double* rest_row = ps.cur + st.block(n_b - 1, j, l) + static_cast<std::size_t>(rg.mxq) * Q;
        for (int q = 0; q <= rg.mxq; ++q) {
          const int h = rg.mxq - q;
          const double* srow = src + static_cast<std::size_t>(q) * Q;
          const double* mrow = moving + static_cast<std::size_t>(q) * Q;
          const std::size_t ext = f_row_extent(mrow, len);
          if (ext == 0) continue;
          double cum = 0.0;
          for (int k = 0; k <= h; ++k) {
            for (int b = 0; b < n_b; ++b) {
              const double x = Xa[static_cast<std::size_t>(b) * phase_stride + static_cast<std::size_t>(k)];
              f_move_row(mrow, ps.cur + st.block(b, j, l) + static_cast<std::size_t>(q + k) * Q, ext, x);
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
  if (kept) {
    std::vector<const double*> w;
    for (int a = 0; a < rg.n_a; ++a) w.push_back(X.v.data() + X.idx(a, 0, 0));
    f_hand_over(background, [kept, w, mxq = rg.mxq, cap, n_b, phase_stride, &reflections] {
      add_reflections(*kept, mxq, cap, n_b, w, phase_stride, reflections);
    });
  }
}

}  // namespace

void f_arrival_transition(ModelInstance& inst, CycleState& cyc) {
  StateRange rg = f_state_range(inst, cyc.per_iat);
  const std::size_t p = static_cast<std::size_t>(cyc.per_iat);
  if (inst.fits.layout_arr) {
    arrivals_phase_type(inst.state, rg, inst.counts.arr_cnt_2ph[p], cyc.last_cycle, cyc.reflections, cyc.background);
  } else {
    arrivals_one_phase(inst.state, rg, inst.counts.arr_cnt[p], cyc.last_cycle, cyc.reflections, cyc.background);
  }
}
