// Service pass rules. Completions: of m busy units in one group, c complete
// with probability T[m][c], c <= min(m, gv_mxn_ser). Phase-1 advance: of j
// units in service phase 1, x move to phase 2 and y complete with probability
// G[j][x][y], x + y <= min(j, gv_mxn_ser). In the multi-phase layouts a
// one-phase service period is stepped through its two-phase tables, which
// read it as two phases of its one rate with no move to phase 2.
#include "analyzer/model/service_transition.h"

#include <algorithm>

#include "analyzer/model/pass_split.h"
#include "analyzer/model/queue_to_service.h"

namespace {

// Shares of one run of sources handed to the gather at a time.
constexpr std::size_t kRunShares = 32;

}  // namespace

// The phase-1 advance into one full target part (j0, l0): acc, holding the
// copy of j0 = 0 if any, receives from the sources j >= 1 in the order of
// the source blocks; packed holds the moving parts of the part, pair by pair
// (pairs of the layout with mxs servers), G the table's entries.
// Built for AVX2 and for the baseline instruction set, chosen at load time:
// both form every sum with the same additions and products.
__attribute__((target_clones("avx2", "default")))
void f_advance_gather_full(double* acc, const double* packed, const double* G, int j0, int l0, int mxs, int cap) {
  Vec4 sum[kPartVecs];
  __builtin_memcpy(sum, acc, sizeof sum);
  const int j_hi = std::min(mxs, j0 + cap);
  for (int j = std::max(j0, 1); j <= j_hi; ++j) {
    const int d = j - j0;
    const int x_hi = std::min(l0, d);
    const int x_lo = std::max(0, l0 - (mxs - j));
    // Pair index of (j, l0 - x_hi), as the state distribution numbers pairs.
    const std::size_t jj = static_cast<std::size_t>(j);
    const double* m = packed + (jj * static_cast<std::size_t>(mxs + 1) - jj * (jj - 1) / 2 +
                                static_cast<std::size_t>(l0 - x_hi)) * kPartEntries;
    std::size_t gi = SquareBlocks::base(j) + static_cast<std::size_t>(x_hi) * (jj + 1) + static_cast<std::size_t>(d - x_hi);
    for (int x = x_hi; x >= x_lo; --x, m += kPartEntries, gi -= jj) {
      if (G[gi] != 0.0) f_add_scaled_part(sum, m, G[gi]);
    }
  }
  __builtin_memcpy(acc, sum, sizeof sum);
}

namespace {

// Both passes keep a and (q, r) and are written target by target: a target
// block lists its source blocks in the order of the source blocks (j, then l,
// ascending), which is the order in which a run source by source adds into it.

// Completions of the phase-1 units (j) or of the phase-2 units (l): source
// (j, l) moves c units to (j - c, l) or (j, l - c); a group of 0 is copied.
void completion_pass(StateDist& st, const StateRange& rg, const TriangleRows& T, bool phase2) {
  PassSlices ps = f_flip_slices(st);
  const int cap = gv_mxn_ser;
  f_gather_by_entries(st, rg, ps, [&](int a, int j0, int l0, PartGather& g) {
    const int m0 = phase2 ? l0 : j0;
    const int m_hi = std::min(phase2 ? rg.mxs - j0 : rg.mxs - l0, m0 + cap);
    int m = m0;
    if (m == 0) {
      g.copy(st.block(a, j0, l0));
      ++m;
    }
    // Phase 2: the sources (j0, m) are adjacent blocks, moved in runs.
    // Phase 1 (one-phase layout): one source (m, l0) at a time.
    while (m <= m_hi) {
      double shares[kRunShares];
      const int count = phase2 ? std::min(m_hi - m + 1, static_cast<int>(kRunShares)) : 1;
      for (int i = 0; i < count; ++i) shares[i] = T.at(m + i, m + i - m0);
      g.move_run(phase2 ? st.block(a, j0, m) : st.block(a, m, l0), rg.B, shares, count);
      m += count;
    }
  });
}

// Phase-1 advance: source (j, l) moves to (j - x - y, l + x) for
// x + y <= min(j, cap); j = 0 is copied. Target (j0, l0) thus receives from
// j = j0 + d, d <= cap, and l = l0 - x, x = min(l0, d) down to 0: adjacent
// blocks, with shares G[j][x][d - x] a stride of j apart in the table.
void phase1_advance_pass(StateDist& st, const StateRange& rg, const SquareBlocks& G) {
  PassSlices ps = f_flip_slices(st);
  const int cap = gv_mxn_ser;
  f_gather_by_entries(st, rg, ps, [&](int a, int j0, int l0, PartGather& g) {
    if (j0 == 0) g.copy(st.block(a, 0, l0));
    if (g.packed != nullptr) {
      f_advance_gather_full(g.acc, g.packed, G.v.data(), j0, l0, rg.mxs, cap);
      return;
    }
    const int j_hi = std::min(rg.mxs, j0 + cap);
    for (int j = std::max(j0, 1); j <= j_hi; ++j) {
      const int d = j - j0;
      int x = std::min(l0, d);
      const int x_lo = std::max(0, l0 - (rg.mxs - j));
      while (x >= x_lo) {
        double shares[kRunShares];
        const int count = std::min(x - x_lo + 1, static_cast<int>(kRunShares));
        for (int i = 0; i < count; ++i) shares[i] = G.at(j, x - i, d - x + i);
        g.move_run(st.block(a, j, l0 - x), rg.B, shares, count);
        x -= count;
      }
    }
  });
}

}  // namespace

void f_service_transition(ModelInstance& inst, const CycleState& cyc, int i) {
  StateRange rg = f_state_range(inst, cyc.per_iat);
  const std::size_t p = static_cast<std::size_t>(cyc.per_ser);
  const CountTables& ct = inst.counts;
  if (rg.exp) {
    completion_pass(inst.state, rg, ct.ser_cmp[p], false);
  } else {
    completion_pass(inst.state, rg, ct.ser_cmp_ph2[p], true);
    phase1_advance_pass(inst.state, rg, ct.ser_adv_ph1[p]);
  }
  f_queue_to_service_pass(inst.state, rg, inst.grid.srv_int[static_cast<std::size_t>(i)],
                          f_queue_split(inst, cyc.per_abd));
}
