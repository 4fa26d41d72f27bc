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

// Completions of the phase-1 units (j) or of the phase-2 units (l). The pass
// keeps a and (q, r), so it splits by entry parts; each target entry receives
// one share of each source entry, in the order of the source blocks.
void completion_pass(StateDist& st, const StateRange& rg, const TriangleRows& T, bool phase2) {
  PassSlices ps = f_flip_slices(st);
  f_split_by_entries(st, rg, ps, [&](int a, EntryPart e) {
    double moving[kPartEntries];
    f_for_each_pair(rg, [&](int j, int l) {
      const std::size_t off = st.block(a, j, l);
      const int m = phase2 ? l : j;
      if (m == 0) {
        f_part_copy(ps.src + off, ps.cur + off, e);
        return;
      }
      if (!f_part_moving(ps.src + off, e, moving)) return;
      const int c_hi = std::min(m, gv_mxn_ser);
      for (int c = 0; c <= c_hi; ++c) {
        const std::size_t to = phase2 ? st.block(a, j, l - c) : st.block(a, j - c, l);
        f_part_move(moving, ps.cur + to, e, T.at(m, c));
      }
    });
  });
}

void phase1_advance_pass(StateDist& st, const StateRange& rg, const SquareBlocks& G) {
  PassSlices ps = f_flip_slices(st);
  f_split_by_entries(st, rg, ps, [&](int a, EntryPart e) {
    double moving[kPartEntries];
    f_for_each_pair(rg, [&](int j, int l) {
      const std::size_t off = st.block(a, j, l);
      if (j == 0) {
        f_part_copy(ps.src + off, ps.cur + off, e);
        return;
      }
      if (!f_part_moving(ps.src + off, e, moving)) return;
      const int c_hi = std::min(j, gv_mxn_ser);
      for (int x = 0; x <= c_hi; ++x) {
        for (int y = 0; y <= c_hi - x; ++y) {
          f_part_move(moving, ps.cur + st.block(a, j - x - y, l + x), e, G.at(j, x, y));
        }
      }
    });
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
