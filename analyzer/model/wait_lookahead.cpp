// Look-ahead: wait 0 is the mass of the free-server states (q = r = 0,
// j + l < srv_int) at the end of interval t; step k = 1..K-1 runs the server
// change, service and abandonment of interval i (from i = t, wrapping at the
// cycle end) and takes out the free-server mass of interval i as wait k.
#include "analyzer/model/wait_lookahead.h"

#include <sstream>

#include "analyzer/input/config.h"
#include "analyzer/model/abandonment_transition.h"
#include "analyzer/model/interval_step.h"
#include "analyzer/model/server_change.h"
#include "analyzer/model/service_transition.h"
#include "analyzer/model/state_pass.h"
#include "kernel/fatal_exit.h"

namespace {

// Takes the mass of the free-server states of an interval with s servers out
// of the current slice, entry by entry into absorbed.
void absorb_free_servers(StateDist& st, const StateRange& rg, int s, double& absorbed) {
  double* cur = st.slice[st.slice_cur].data();
  f_for_each_block(st, rg, [&](int, int j, int l, std::size_t off) {
    if (j + l >= s) return;
    double& p = cur[off];
    if (p > 0.0) {
      absorbed += p;
      p = 0.0;
    }
  });
}

}  // namespace

void f_wait_lookahead(ModelInstance& inst, CycleState& cyc) {
  const IntervalGrid& g = inst.grid;
  StateDist& st = inst.state;
  const int t = cyc.int_idx;
  const int K = g.K;
  if (cyc.n_obs > g.n_obs_max) {
    std::ostringstream msg;
    msg << "Instance " << cyc.inst_nr << " has more observation intervals in a cycle than the "
        << g.n_obs_max + 1 << " rows of its waiting-time table.";
    f_fatal_exit(msg.str());
  }
  double* row = inst.results.wait_prob.data() + static_cast<std::size_t>(cyc.n_obs) * static_cast<std::size_t>(K + 1);

  const int per_ser = cyc.per_ser, per_abd = cyc.per_abd;
  const int slice_src = st.slice_src, slice_cur = st.slice_cur;
  // per_iat does not change: every pass keeps the arrival phases of interval t.
  const StateRange rg = f_state_range(inst, cyc.per_iat);
  f_save_state(st, rg);

  absorb_free_servers(st, rg, g.srv_int[static_cast<std::size_t>(t)], row[0]);
  int i = t;
  for (int k = 1; k < K; ++k) {
    // The interval step has applied the period flags of interval t already;
    // later steps, also a later return to t, apply the flags of their interval.
    if (k > 1) f_advance_cursors(inst, cyc, i, false);
    f_server_change(inst, cyc, i);
    for (int pos = 1; pos <= 3; ++pos) {
      if (pos == gv_CFG_order_ser) f_service_transition(inst, cyc, i);
      if (pos == gv_CFG_order_abd) f_abandonment_transition(inst, cyc, nullptr);
    }
    absorb_free_servers(st, rg, g.srv_int[static_cast<std::size_t>(i)], row[k]);
    if (++i == g.n) {
      i = 0;
      cyc.per_ser = static_cast<int>(inst.fits.ser.size()) - 1;
      cyc.per_abd = static_cast<int>(inst.fits.abd.size()) - 1;
    }
  }

  cyc.per_ser = per_ser;
  cyc.per_abd = per_abd;
  st.slice_src = slice_src;
  st.slice_cur = slice_cur;
  f_restore_state(st, rg);
  ++cyc.n_obs;
}

void f_wait_residual(ModelResults& res, int n_obs, int K) {
  const std::size_t cols = static_cast<std::size_t>(K + 1);
  for (int r = 0; r < n_obs; ++r) {
    double* row = res.wait_prob.data() + static_cast<std::size_t>(r) * cols;
    double s = 0.0;
    for (std::size_t w = 0; w < cols; ++w) s += row[w];
    if (1.0 - s > 0.0) row[K] += 1.0 - s;
  }
}
