// Abandonment pass rules. Of n waiting units in one patience phase, b abandon
// with probability A[n][b], b <= min(n, gv_mxn_abd). Phase-1 advance: of q
// units in patience phase 1, x move to phase 2 and y abandon with probability
// G[q][x][y], x + y <= xmax = min(q, gv_mxn_abd); once r + x reaches mxq the
// rest 1 - cum of the row goes to (q - xmax, mxq). In the multi-phase layouts
// a one-phase patience period is stepped through its two-phase tables, which
// read it as two phases of its one rate with no move to phase 2.
#include "analyzer/model/abandonment_transition.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "analyzer/model/background_sums.h"
#include "analyzer/model/pass_split.h"
#include "analyzer/model/running_sum.h"

namespace {

// The abandonments keep a, j and l: every (a, j, l) block is a task of its
// own, which clears its target block and fills it. The expected number of
// abandonments is one running sum over the source blocks in order: when it
// is asked for, each task keeps the positive entries of its source block,
// and a job that runs after the pass (on the background thread of the
// measured cycle, if any) adds the terms block by block. The sum is kept in
// a register, and terms of no abandonment are not added: they are +0.0 and
// leave a sum of nonnegative terms as it is. Nor are the terms of an entry
// whose largest term is bounded below f_unchanged_below(sum).
template <class Fn>
std::shared_ptr<PositiveEntries> split_by_blocks(StateDist& st, const StateRange& rg, PassSlices shared, bool keep,
                                                 Fn&& fn) {
  const EntryPart whole = f_whole_block(rg);
  const int pairs = f_pair_count(rg);
  std::shared_ptr<PositiveEntries> kept;
  if (keep) kept = std::make_shared<PositiveEntries>(static_cast<std::size_t>(rg.n_a * pairs));
  f_parallel_tasks(rg.n_a * pairs, f_range_entries(rg), [&](int t) {
    const PassSlices ps = f_thread_slices(shared);
    const auto [j, l] = f_pair_at(rg, t % pairs);
    const std::size_t off = st.block(t / pairs, j, l);
    if (kept) kept->take(static_cast<std::size_t>(t), t / pairs, ps.src + off, rg);
    f_part_clear(ps.cur + off, whole);
    fn(ps, off);
  });
  return kept;
}

// Adds to *abandoned, entry by entry over kept, b * (p * A[n][b]) for b = 1..
// min(n, cap), where n = q (one-phase layout) or r (patience phase 2).
void count_abandonments(const PositiveEntries& kept, const TriangleRows& A, int mxq, int cap, bool phase2,
                        double* abandoned) {
  std::vector<double> row_max(static_cast<std::size_t>(mxq + 1), 0.0);
  for (int n = 1; n <= mxq; ++n) {
    for (int b = 1; b <= std::min(n, cap); ++b) {
      row_max[static_cast<std::size_t>(n)] = std::max(row_max[static_cast<std::size_t>(n)], b * A.at(n, b));
    }
  }
  double sum = *abandoned;
  for (const std::vector<PositiveEntries::Entry>& block : kept.blocks) {
    for (const PositiveEntries::Entry& e : block) {
      const int n = phase2 ? e.r : e.q;
      if (n < 1 || e.p * row_max[static_cast<std::size_t>(n)] < f_unchanged_below(sum)) continue;
      const int b_hi = std::min(n, cap);
      for (int b = 1; b <= b_hi; ++b) sum += b * (e.p * A.at(n, b));
    }
  }
  *abandoned = sum;
}

// One-phase abandonments: row q moves to the rows q - b.
void abandon_one_phase(StateDist& st, const StateRange& rg, const TriangleRows& A, double* abandoned,
                       BackgroundSums* background) {
  PassSlices shared = f_flip_slices(st);
  const int cap = gv_mxn_abd;
  const std::size_t Q = rg.Q;
  const std::size_t len = static_cast<std::size_t>(rg.r_len);
  const std::shared_ptr<PositiveEntries> kept =
      split_by_blocks(st, rg, shared, abandoned != nullptr, [&](PassSlices ps, std::size_t off) {
        const double* src = ps.src + off;
        double* cur = ps.cur + off;
        for (std::size_t r = 0; r < len; ++r) cur[r] += src[r];
        const double* moving = f_moving_block(ps, rg, off);
        for (int q = 1; q <= rg.mxq; ++q) {
          const double* mrow = moving + static_cast<std::size_t>(q) * Q;
          const std::size_t ext = f_row_extent(mrow, len);
          if (ext == 0) continue;
          const int b_hi = std::min(q, cap);
          for (int b = 0; b <= b_hi; ++b) {
            f_move_row(mrow, cur + static_cast<std::size_t>(q - b) * Q, ext, A.at(q, b));
          }
        }
      });
  if (kept) {
    f_hand_over(background,
                [kept, &A, mxq = rg.mxq, cap, abandoned] { count_abandonments(*kept, A, mxq, cap, false, abandoned); });
  }
}

// Abandonments from patience phase 2: entry r moves to r - b in its row.
void abandon_phase2(StateDist& st, const StateRange& rg, const TriangleRows& A, double* abandoned,
                    BackgroundSums* background) {
  PassSlices shared = f_flip_slices(st);
  const int cap = gv_mxn_abd;
  const std::size_t n_rows = static_cast<std::size_t>(rg.mxq + 1);
  const std::shared_ptr<PositiveEntries> kept =
      split_by_blocks(st, rg, shared, abandoned != nullptr, [&](PassSlices ps, std::size_t off) {
        for (std::size_t q = 0; q < n_rows; ++q) {
          const double* srow = ps.src + off + q * rg.Q;
          double* crow = ps.cur + off + q * rg.Q;
          crow[0] += srow[0];
          for (int r = 1; r <= rg.mxq; ++r) {
            const double p = srow[r];
            if (!(p > 0.0)) continue;
            const int b_hi = std::min(r, cap);
            for (int b = 0; b <= b_hi; ++b) crow[r - b] += p * A.at(r, b);
          }
        }
      });
  if (kept) {
    f_hand_over(background,
                [kept, &A, mxq = rg.mxq, cap, abandoned] { count_abandonments(*kept, A, mxq, cap, true, abandoned); });
  }
}

// Per row q of the phase-1 advance table: the table mass read up to the end
// of each x, in the order x, y (the pass's rest of a row at the bound), and
// the terms of the expected abandonments: the shares G[q][x][y] with y >= 1
// in the order x, y (a share of 0.0 left out) and where each x ends. A
// source (q, r) reads x = 0..min(x_hi, mxq - r) of its row, so its terms are
// a leading run of the row's list.
struct AdvanceTerms {
  std::vector<double> y, g;             // per term: abandonments and share
  std::vector<std::size_t> first, row;  // per q: its first term; its first entry in x_end and cum_after
  std::vector<std::size_t> x_end;       // per (q, x): end of the terms up to x
  std::vector<double> cum_after;        // per (q, x)
  std::vector<double> row_max;          // per q: the largest y * share of its terms
};

AdvanceTerms advance_terms(const SquareBlocks& G, int mxq, int cap) {
  AdvanceTerms at;
  at.first.assign(static_cast<std::size_t>(mxq + 1), 0);
  at.row.assign(static_cast<std::size_t>(mxq + 1), 0);
  at.row_max.assign(static_cast<std::size_t>(mxq + 1), 0.0);
  for (int q = 1; q <= mxq; ++q) {
    const int x_hi = std::min(q, cap);
    at.first[static_cast<std::size_t>(q)] = at.g.size();
    at.row[static_cast<std::size_t>(q)] = at.x_end.size();
    double cum = 0.0;
    for (int x = 0; x <= x_hi; ++x) {
      cum = cum + G.at(q, x, 0);
      for (int y = 1; y <= x_hi - x; ++y) {
        const double g = G.at(q, x, y);
        cum = cum + g;
        if (g == 0.0) continue;
        at.y.push_back(static_cast<double>(y));
        at.g.push_back(g);
        at.row_max[static_cast<std::size_t>(q)] = std::max(at.row_max[static_cast<std::size_t>(q)], y * g);
      }
      at.x_end.push_back(at.g.size());
      at.cum_after.push_back(cum);
    }
  }
  return at;
}

// Expected abandonments of the phase-1 advance of one block, entry by entry
// over its positive entries, added to sum: y * (p * share) for every term
// the entry reads, then, if the entry meets the bound mxq at some x, the
// abandonments of the rest of its table row.
void count_advance_abandonments(const std::vector<PositiveEntries::Entry>& block, int mxq, int cap,
                                const AdvanceTerms& at, double& sum) {
  const double* yv = at.y.data();
  const double* gv = at.g.data();
  for (const PositiveEntries::Entry& e : block) {
    if (e.q < 1) continue;
    const std::size_t q = static_cast<std::size_t>(e.q);
    const int x_hi = std::min(e.q, cap);
    const std::size_t row = at.row[q];
    const int x_stop = std::min(x_hi, mxq - e.r);
    const double p = e.p;
    if (!(p * at.row_max[q] < f_unchanged_below(sum))) {
      const std::size_t n = at.x_end[row + static_cast<std::size_t>(x_stop)];
      for (std::size_t i = at.first[q]; i < n; ++i) sum += yv[i] * (p * gv[i]);
    }
    if (e.r + x_stop == mxq) {
      const double cum = at.cum_after[row + static_cast<std::size_t>(x_stop)];
      if (1.0 > cum) sum += (x_hi - x_stop) * ((1.0 - cum) * p);
    }
  }
}

void abandon_phase1_advance(StateDist& st, const StateRange& rg, const SquareBlocks& G, double* abandoned,
                            BackgroundSums* background) {
  PassSlices shared = f_flip_slices(st);
  const int cap = gv_mxn_abd;
  const int mxq = rg.mxq;
  const std::size_t Q = rg.Q;
  // The table's row masses serve the pass and the count alike.
  const auto terms = std::make_shared<const AdvanceTerms>(advance_terms(G, mxq, cap));
  const std::shared_ptr<PositiveEntries> kept =
      split_by_blocks(st, rg, shared, abandoned != nullptr, [&](PassSlices ps, std::size_t off) {
        const double* src = ps.src + off;
        double* cur = ps.cur + off;
        for (std::size_t r = 0; r < Q; ++r) cur[r] += src[r];
        const double* moving = f_moving_block(ps, rg, off);
        for (int q = 1; q <= mxq; ++q) {
          const double* srow = src + static_cast<std::size_t>(q) * Q;
          const double* mrow = moving + static_cast<std::size_t>(q) * Q;
          const std::size_t ext = f_row_extent(mrow, Q);
          if (ext == 0) continue;
          const int x_hi = std::min(q, cap);
          const double* cum_after = terms->cum_after.data() + terms->row[static_cast<std::size_t>(q)];
          // Source (q, r) reads x = 0..min(x_hi, mxq - r). A target (q', r')
          // receives from source r = r' - x; running x downward keeps those
          // contributions in increasing r, the order entry by entry.
          double* bound = cur + static_cast<std::size_t>(q - x_hi) * Q + static_cast<std::size_t>(mxq);
          for (int x = x_hi; x >= 0; --x) {
            const std::size_t n_src = std::min(static_cast<std::size_t>(mxq - x + 1), ext);
            for (int y = 0; y <= x_hi - x; ++y) {
              f_move_row(mrow, cur + static_cast<std::size_t>(q - x - y) * Q + static_cast<std::size_t>(x), n_src,
                         G.at(q, x, y));
            }
            // Source r = mxq - x meets the bound at this x.
            const double p = srow[mxq - x];
            const double c = cum_after[static_cast<std::size_t>(x)];
            if (p > 0.0 && 1.0 > c) *bound += (1.0 - c) * p;
          }
        }
      });
  if (kept) {
    f_hand_over(background, [kept, terms, mxq, cap, abandoned] {
      double sum = *abandoned;
      for (const std::vector<PositiveEntries::Entry>& block : kept->blocks)
        count_advance_abandonments(block, mxq, cap, *terms, sum);
      *abandoned = sum;
    });
  }
}

}  // namespace

void f_abandonment_transition(ModelInstance& inst, const CycleState& cyc, double* abandoned) {
  StateRange rg = f_state_range(inst, cyc.per_iat);
  const std::size_t p = static_cast<std::size_t>(cyc.per_abd);
  const CountTables& ct = inst.counts;
  if (rg.exp) {
    abandon_one_phase(inst.state, rg, ct.abd_cnt[p], abandoned, cyc.background);
  } else {
    abandon_phase2(inst.state, rg, ct.abd_cnt_ph2[p], abandoned, cyc.background);
    abandon_phase1_advance(inst.state, rg, ct.abd_adv_ph1[p], abandoned, cyc.background);
  }
}
