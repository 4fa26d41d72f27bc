// Renormalisation p := p / total over the used range, in the order a, j, l,
// q, r; then E[q + r] in every cycle, and in the last cycle
// Var[q + r] = sum (q + r - E)^2 p and E[j + l + q + r], over entries p > 0.
#include "analyzer/model/interval_statistics.h"

#include <cmath>
#include <sstream>

#include "kernel/fatal_exit.h"

namespace {

// Calls fn(p, q + r, j + l) for every used entry of the current slice in the
// order a, j, l, q, r.
template <class Fn>
void for_each_state(const StateDist& st, const StateRange& rg, Fn fn) {
  const double* cur = st.slice[st.slice_cur].data();
  f_for_each_block(st, rg, [&](int, int j, int l, std::size_t off) {
    for (int q = 0; q <= rg.mxq; ++q) {
      const double* row = cur + off + static_cast<std::size_t>(q) * rg.Q;
      for (int r = 0; r < rg.r_len; ++r) fn(row[r], q + r, j + l);
    }
  });
}

double total_mass(const StateDist& st, const StateRange& rg) {
  double total = 0.0;
  for_each_state(st, rg, [&total](double p, int, int) { total += p; });
  return total;
}

}  // namespace

double f_expected_in_system(const StateDist& st, const StateRange& rg) {
  double content = 0.0;
  for_each_state(st, rg, [&content](double p, int waiting, int busy) {
    if (p > 0.0) content += static_cast<double>(busy + waiting) * p;
  });
  const double total = total_mass(st, rg);
  return total > 0.0 ? content / total : 0.0;
}

void f_close_interval(ModelInstance& inst, const CycleState& cyc) {
  StateDist& st = inst.state;
  const StateRange rg = f_state_range(inst, cyc.per_iat);
  const std::size_t t = static_cast<std::size_t>(cyc.int_idx);

  const double total = total_mass(st, rg);
  if (!(total > 0.0) || !std::isfinite(total)) {
    std::ostringstream msg;
    msg << "The model's probability mass cannot be renormalised (total " << total << ") in instance "
        << cyc.inst_nr << ", cycle " << cyc.cycle_count + 1 << ", interval " << cyc.int_idx << ".";
    f_fatal_exit(msg.str());
  }
  double* cur = st.slice[st.slice_cur].data();
  if (rg.exp) {
    for (int j = 0; j <= rg.mxs; ++j) {
      double* blk = cur + st.block(0, j, 0);
      for (std::size_t i = 0; i < rg.B; i += rg.Q) blk[i] = blk[i] / total;
    }
  } else {
    const std::size_t end = static_cast<std::size_t>(rg.n_a) * st.pairs * rg.B;
    for (std::size_t i = 0; i < end; ++i) cur[i] = cur[i] / total;
  }

  ModelResults& res = inst.results;
  double& q_avg = res.q_avg[cyc.q_par_cur][t];
  for_each_state(st, rg, [&q_avg](double p, int waiting, int) {
    if (p > 0.0) q_avg += static_cast<double>(waiting) * p;
  });
  if (!cyc.last_cycle) return;

  const double m = q_avg;
  double& q_var = res.q_var[t];
  double& sys_avg = res.sys_avg[t];
  for_each_state(st, rg, [&](double p, int waiting, int busy) {
    if (!(p > 0.0)) return;
    q_var += std::pow(static_cast<double>(waiting) - m, 2.0) * p;
    sys_avg += static_cast<double>(busy + waiting) * p;
  });
}
