// Service pass rules. Completions: of m busy units in one group, c complete
// with probability T[m][c], c <= min(m, gv_mxn_ser). Phase-1 advance: of j
// units in service phase 1, x move to phase 2 and y complete with probability
// G[j][x][y], x + y <= min(j, gv_mxn_ser). In the multi-phase layouts a
// one-phase service period is stepped through its two-phase tables, which
// read it as two phases of its one rate with no move to phase 2.
#include "analyzer/model/service_transition.h"

#include <algorithm>

#include "analyzer/model/queue_to_service.h"
#include "analyzer/model/state_pass.h"

namespace {

// Completions of the phase-1 units (j) or of the phase-2 units (l). Each
// target entry receives one share of each source entry, so moving block by
// block keeps the order of additions into it.
void completion_pass(StateDist& st, const StateRange& rg, const TriangleRows& T, bool phase2) {
  PassSlices ps = f_begin_pass(st, rg);
  f_for_each_block(st, rg, [&](int a, int j, int l, std::size_t off) {
    const int m = phase2 ? l : j;
    if (m == 0) {
      f_copy_block(ps, rg, off);
      return;
    }
    const double* moving = f_moving_block(ps, rg, off);
    if (!f_block_moves(moving, rg)) return;
    const int c_hi = std::min(m, gv_mxn_ser);
    for (int c = 0; c <= c_hi; ++c) {
      const std::size_t to = phase2 ? st.block(a, j, l - c) : st.block(a, j - c, l);
      f_move_block(ps, rg, moving, to, T.at(m, c));
    }
  });
}

void phase1_advance_pass(StateDist& st, const StateRange& rg, const SquareBlocks& G) {
  PassSlices ps = f_begin_pass(st, rg);
  f_for_each_block(st, rg, [&](int a, int j, int l, std::size_t off) {
    if (j == 0) {
      f_copy_block(ps, rg, off);
      return;
    }
    const double* moving = f_moving_block(ps, rg, off);
    if (!f_block_moves(moving, rg)) return;
    const int c_hi = std::min(j, gv_mxn_ser);
    for (int x = 0; x <= c_hi; ++x) {
      for (int y = 0; y <= c_hi - x; ++y) {
        f_move_block(ps, rg, moving, st.block(a, j - x - y, l + x), G.at(j, x, y));
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
