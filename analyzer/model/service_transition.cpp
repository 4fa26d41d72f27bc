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
// j = j0 + d, d <= cap, and l = l0 - x, x = min(l0, d) down to 0.
void phase1_advance_pass(StateDist& st, const StateRange& rg, const SquareBlocks& G) {
  PassSlices ps = f_flip_slices(st);
  const int cap = gv_mxn_ser;
  f_gather_by_entries(st, rg, ps, [&](int a, int j0, int l0, PartGather& g) {
    const int j_hi = std::min(rg.mxs, j0 + cap);
    for (int j = j0; j <= j_hi; ++j) {
      if (j == 0) {
        g.copy(st.block(a, 0, l0));
        continue;
      }
      // Sources l = l0 - x, x from x_hi down: adjacent blocks, with shares
      // G[j][x][d - x], a stride of j apart in the table.
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
