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
    for (int m = m0; m <= m_hi; ++m) {
      const std::size_t from = phase2 ? st.block(a, j0, m) : st.block(a, m, l0);
      if (m == 0) {
        g.copy(from);
      } else {
        g.move(from, T.at(m, m - m0));
      }
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
      // Sources l = l0 - x, x from x_hi down: adjacent blocks, and shares
      // G[j][x][d - x] a stride of j apart in the table.
      const int d = j - j0;
      const int x_hi = std::min(l0, d);
      const int x_lo = std::max(0, l0 - (rg.mxs - j));
      std::size_t from = st.block(a, j, l0 - x_hi);
      std::size_t share = G.idx(j, x_hi, d - x_hi);
      const std::size_t stride = static_cast<std::size_t>(j);
      for (int x = x_hi; x >= x_lo; --x, from += rg.B, share -= stride) g.move(from, G.v[share]);
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
