// Renormalisation p := p / total over the used range, in the order a, j, l,
// q, r; then E[q + r] in every cycle, and in the last cycle
// Var[q + r] = sum (q + r - E)^2 p and E[j + l + q + r], over entries p > 0.
//
// Every total is one running sum over the entries in that order. The terms
// are worked out block by block on all cores and packed per block; one
// thread then adds them in order, so the sums are those of a single sweep.
// A term that is exactly 0.0 is not packed: added to a running sum, which is
// never -0.0, it would leave the sum as it is.
#include "analyzer/model/interval_statistics.h"

#include <cmath>
#include <sstream>

#include "analyzer/model/pass_split.h"
#include "kernel/fatal_exit.h"

namespace {

// Adds to sum, in the order a, j, l, q, r, the value term(p, q + r, j + l)
// of every used entry p of the current slice. term receives the entry by
// reference and may change it; it runs on all cores, block by block. The
// terms are packed in the saved copy of the state, which only the look-ahead
// uses, from its save to its restore.
template <class Term>
double ordered_sum(StateDist& st, const StateRange& rg, double sum, Term term) {
  const int pairs = f_pair_count(rg);
  const int blocks = rg.n_a * pairs;
  if (st.term_count.size() < static_cast<std::size_t>(blocks)) st.term_count.resize(static_cast<std::size_t>(blocks));
  double* cur = st.slice[st.slice_cur].data();
  f_parallel_tasks(blocks, f_range_entries(rg), [&](int b) {
    const auto [j, l] = f_pair_at(rg, b % pairs);
    const std::size_t off = st.block(b / pairs, j, l);
    double* packed = st.saved.data() + off;
    std::size_t n = 0;
    for (int q = 0; q <= rg.mxq; ++q) {
      double* row = cur + off + static_cast<std::size_t>(q) * rg.Q;
      for (int r = 0; r < rg.r_len; ++r) {
        const double v = term(row[r], q + r, j + l);
        if (v != 0.0) packed[n++] = v;
      }
    }
    st.term_count[static_cast<std::size_t>(b)] = n;
  });
  int b = 0;
  f_for_each_block(st, rg, [&](int, int, int, std::size_t off) {
    const double* packed = st.saved.data() + off;
    const std::size_t n = st.term_count[static_cast<std::size_t>(b++)];
    for (std::size_t k = 0; k < n; ++k) sum += packed[k];
  });
  return sum;
}

double total_mass(StateDist& st, const StateRange& rg) {
  return ordered_sum(st, rg, 0.0, [](double& p, int, int) { return p; });
}

}  // namespace

double f_expected_in_system(StateDist& st, const StateRange& rg) {
  const double content = ordered_sum(st, rg, 0.0, [](double& p, int waiting, int busy) {
    return p > 0.0 ? static_cast<double>(busy + waiting) * p : 0.0;
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

  // The scaling touches every used entry once, together with the terms of
  // the expected queue.
  ModelResults& res = inst.results;
  double& q_avg = res.q_avg[cyc.q_par_cur][t];
  q_avg = ordered_sum(st, rg, q_avg, [total](double& p, int waiting, int) {
    p = p / total;
    return p > 0.0 ? static_cast<double>(waiting) * p : 0.0;
  });
  if (!cyc.last_cycle) return;

  const double m = q_avg;
  res.q_var[t] = ordered_sum(st, rg, res.q_var[t], [m](double& p, int waiting, int) {
    return p > 0.0 ? std::pow(static_cast<double>(waiting) - m, 2.0) * p : 0.0;
  });
  res.sys_avg[t] = ordered_sum(st, rg, res.sys_avg[t], [](double& p, int waiting, int busy) {
    return p > 0.0 ? static_cast<double>(busy + waiting) * p : 0.0;
  });
}
