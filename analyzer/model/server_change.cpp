// Server change: increase by the queue-to-service rule, decrease by removing
// e = j + l - s busy units, i1 of them from service phase 1 and e - i1 from
// phase 2 with the hypergeometric weights of srv_drop_split.
#include "analyzer/model/server_change.h"

#include <algorithm>

#include "analyzer/model/pass_split.h"
#include "analyzer/model/queue_to_service.h"

namespace {

// The pass keeps a and (q, r), so it splits by entry parts; each target entry
// receives one share of each source entry, in the order of the source blocks.
void server_decrease(StateDist& st, const StateRange& rg, int s, const DropSplit& drop) {
  PassSlices ps = f_flip_slices(st);
  f_split_by_entries(st, rg, ps, [&](int a, EntryPart part) {
    double m[kPartEntries];
    f_for_each_pair(rg, [&](int j, int l) {
      const std::size_t off = st.block(a, j, l);
      if (s >= j + l) {
        f_part_copy(ps.src + off, ps.cur + off, part);
        return;
      }
      const int e = j + l - s;
      if (!f_part_moving(ps.src + off, part, m)) return;
      if (e >= j + l) {
        f_part_move(m, ps.cur + st.block(a, 0, 0), part, 1.0);
        return;
      }
      const int i1_hi = std::min(j, e);
      for (int i1 = std::max(0, e - l); i1 <= i1_hi; ++i1) {
        const int i2 = e - i1;
        const double w = rg.exp ? 1.0 : drop.at(j, l, e, i1);
        f_part_move(m, ps.cur + st.block(a, j - i1, l - i2), part, w);
      }
    });
  });
}

}  // namespace

void f_server_change(ModelInstance& inst, const CycleState& cyc, int i) {
  const std::size_t t = static_cast<std::size_t>(i);
  const int chg = inst.grid.srv_chg[t];
  if (chg == 0) return;
  const int s = inst.grid.srv_int[t];
  StateRange rg = f_state_range(inst, cyc.per_iat);
  if (chg > 0) {
    f_queue_to_service_pass(inst.state, rg, s, f_queue_split(inst, cyc.per_abd));
  } else {
    server_decrease(inst.state, rg, s, inst.splits.srv_drop_split);
  }
}
