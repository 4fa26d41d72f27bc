// Interval step: cursors, arrival phases, server change, then positions 1..3
// of the process order (arrival, service, abandonment in that order when
// they share a position).
#include "analyzer/model/interval_step.h"

#include "analyzer/input/config.h"
#include "analyzer/model/abandonment_transition.h"
#include "analyzer/model/arrival_transition.h"
#include "analyzer/model/interval_statistics.h"
#include "analyzer/model/server_change.h"
#include "analyzer/model/service_transition.h"
#include "analyzer/model/state_pass.h"

namespace {

void advance(int& cursor, bool flag, int periods, int i) {
  if (flag) {
    cursor = cursor == periods - 1 ? 0 : cursor + 1;
  } else if (i == 0) {
    cursor = 0;
  }
}

}  // namespace

void f_advance_cursors(const ModelInstance& inst, CycleState& cyc, int i, bool arrivals) {
  const IntervalGrid& g = inst.grid;
  const std::size_t k = static_cast<std::size_t>(i);
  if (arrivals) advance(cyc.per_iat, g.chg_iat[k] != 0, static_cast<int>(inst.fits.iat.size()), i);
  advance(cyc.per_ser, g.chg_ser[k] != 0, static_cast<int>(inst.fits.ser.size()), i);
  advance(cyc.per_abd, g.chg_abd[k] != 0, static_cast<int>(inst.fits.abd.size()), i);
}

void f_interval_step(ModelInstance& inst, CycleState& cyc) {
  const int t = cyc.int_idx;
  const std::size_t k = static_cast<std::size_t>(t);
  f_advance_cursors(inst, cyc, t, true);
  StateRange rg = f_state_range(inst, cyc.per_iat);
  f_change_arrival_phases(inst.state, rg, cyc.arr_phases_held);
  cyc.arr_phases_held = rg.n_a;
  f_server_change(inst, cyc, t);
  for (int pos = 1; pos <= 3; ++pos) {
    if (pos == gv_CFG_order_iat) {
      if (cyc.last_cycle) inst.results.sys_avg_pre_arr[k] = f_expected_in_system(inst.state, rg);
      f_arrival_transition(inst, cyc);
    }
    if (pos == gv_CFG_order_ser) f_service_transition(inst, cyc, t);
    if (pos == gv_CFG_order_abd) {
      f_abandonment_transition(inst, cyc, cyc.last_cycle ? &inst.results.abd_avg[k] : nullptr);
    }
  }
}
