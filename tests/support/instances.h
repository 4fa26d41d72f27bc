// Small instances for the tests, in one place: a valid run configuration and
// period blocks set directly (as the readers would set them), and model
// instances built by hand with count tables from closed forms (Poisson
// arrivals, binomial and multinomial completions, hypergeometric splits).
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "analyzer/input/config.h"
#include "analyzer/input/config_reader.h"
#include "analyzer/input/instance_data.h"
#include "analyzer/input/run_tables.h"
#include "analyzer/model/abandonment_transition.h"
#include "analyzer/model/arrival_dist.h"
#include "analyzer/model/arrival_transition.h"
#include "analyzer/model/count_tables.h"
#include "analyzer/model/cycle_loop.h"
#include "analyzer/model/initialisation.h"
#include "analyzer/model/interval_grid.h"
#include "analyzer/model/interval_statistics.h"
#include "analyzer/model/interval_step.h"
#include "analyzer/model/model_data.h"
#include "analyzer/model/phase_type.h"
#include "analyzer/model/process_fits.h"
#include "analyzer/model/queue_to_service.h"
#include "analyzer/model/server_change.h"
#include "analyzer/model/service_transition.h"
#include "analyzer/model/split_tables.h"
#include "analyzer/model/state_pass.h"
#include "analyzer/model/two_phase_advancement.h"
#include "analyzer/model/wait_lookahead.h"
#include "tests/support/child_process.h"

// The example configuration, which passes every check, without simulation
// iterations.
inline void set_valid_config() {
  f_parse_config(read_file(example_dir() / "CONFIG.DAT"));
  gv_CFG_nri = 0;
}


// Binomial coefficient by the product formula.
inline double choose(int n, int k) {
  if (k < 0 || k > n) return 0.0;
  double c = 1.0;
  for (int i = 1; i <= k; ++i) c = c * (n - k + i) / i;
  return c;
}

inline double binomial(int n, int k, double p) { return choose(n, k) * std::pow(p, k) * std::pow(1.0 - p, n - k); }

inline double poisson(double mean, int k) {
  return k < 0 ? 0.0 : std::exp(-mean + k * std::log(mean) - std::lgamma(k + 1.0));
}

// Exact binomial coefficients of order N by Pascal's rule, as BINOMDIST.DAT
// holds them.
inline void set_exact_binom(int N) {
  binom_n = N;
  std::size_t side = static_cast<std::size_t>(N) + 1;
  binom.assign(side * side, 0.0);
  for (std::size_t i = 0; i < side; ++i) {
    binom[i * side] = 1.0;
    for (std::size_t j = 1; j <= i; ++j) binom[i * side + j] = binom[(i - 1) * side + j - 1] + binom[(i - 1) * side + j];
  }
}

// e, the factorials, a binomial table of order 100 and the valid configuration.
inline void set_run_defaults() {
  f_set_constants();
  f_build_factorials();
  set_exact_binom(100);
  set_valid_config();
}

// The fitted phase-type distribution of the given mean and SCV.
inline PhaseType fitted(double mean, double scv, double kappa = 0.5, double precision = 1e300) {
  PhaseType ph;
  f_PH_fit(ph, 1.0 / mean, f_number_of_phases(scv), scv, kappa, precision);
  return ph;
}

// K(i, j), the probability that the last of i rate-a and j rate-b clocks is
// rate-a, by the first clock to ring: K(i, 0) = 1, K(0, j) = 0,
// K(i, j) = (i a K(i-1, j) + j b K(i, j-1)) / (i a + j b); entry i (N + 1) + j.
template <class T>
std::vector<T> first_clock_table(T a, T b, int N) {
  std::vector<T> k((N + 1) * (N + 1), T(0));
  for (int i = 1; i <= N; ++i) {
    k[i * (N + 1)] = T(1);
    for (int j = 1; j <= N; ++j)
      k[i * (N + 1) + j] = (T(i) * a * k[(i - 1) * (N + 1) + j] + T(j) * b * k[i * (N + 1) + j - 1]) / (T(i) * a + T(j) * b);
  }
  return k;
}

// The stationary distribution of the birth-death chain of M/M/s/K+M and its
// mean queue: birth rate lambda below s + places, death rate
// min(n, s) mu + max(n - s, 0) theta.
struct BirthDeath {
  std::vector<double> p;
  double queue = 0.0;
  BirthDeath(double lambda, double mu, double theta, int s, int places) : p{1.0} {
    double total = 1.0;
    for (int n = 1; n <= s + places; ++n)
      total += p.emplace_back(p.back() * lambda / (std::min(n, s) * mu + std::max(n - s, 0) * theta));
    for (int n = 0; n <= s + places; ++n) queue += std::max(n - s, 0) * (p[n] /= total);
  }
};

struct Period {
  double dur, mean, scv;
};

inline void set_block(const std::vector<Period>& periods, double kappa, int& nr, std::vector<double>& dur,
                      std::vector<double>& mean, std::vector<double>& scv, std::vector<double>& kap) {
  nr = static_cast<int>(periods.size());
  dur.clear(), mean.clear(), scv.clear(), kap.clear();
  for (const Period& p : periods) dur.push_back(p.dur), mean.push_back(p.mean), scv.push_back(p.scv), kap.push_back(kappa);
}

// The four blocks of an instance: arrival, service and patience periods and
// (duration, servers) periods.
inline void set_instance(const std::vector<Period>& iat, const std::vector<Period>& ser,
                         const std::vector<Period>& abd, const std::vector<std::pair<double, int>>& servers) {
  set_block(iat, gv_CFG_iat_kappa, gv_iat_nr, gv_iat_dur, gv_iat_mean, gv_iat_scv, gv_iat_kappa);
  set_block(ser, gv_CFG_ser_kappa, gv_ser_nr, gv_ser_dur, gv_ser_mean, gv_ser_scv, gv_ser_kappa);
  set_block(abd, gv_CFG_abd_kappa, gv_abd_nr, gv_abd_dur, gv_abd_mean, gv_abd_scv, gv_abd_kappa);
  gv_srv_nr = static_cast<int>(servers.size());
  gv_srv_dur.clear(), gv_srv_s.clear();
  for (const auto& [dur, s] : servers) gv_srv_dur.push_back(dur), gv_srv_s.push_back(s);
}

// One period per process over a cycle of length T.
inline void set_single_period_instance(double T, double iat_mean, double iat_scv, double ser_mean, double ser_scv,
                                       double abd_mean, double abd_scv, int s) {
  set_instance({{T, iat_mean, iat_scv}}, {{T, ser_mean, ser_scv}}, {{T, abd_mean, abd_scv}}, {{T, s}});
}

namespace hand {

enum class Layout { exp, serabd, arr };

// Poisson terms 0..top with the tail of more than top added to entry top.
inline std::vector<double> poisson_row(double mean, int top) {
  std::vector<double> row(static_cast<std::size_t>(top + 1));
  double sum = 0.0;
  for (int k = 0; k < top; ++k) sum += row[static_cast<std::size_t>(k)] = poisson(mean, k);
  row[static_cast<std::size_t>(top)] = 1.0 - sum;
  return row;
}

// Of m units each completing with probability pc, c complete.
inline TriangleRows binomial_rows(int M, double pc) {
  TriangleRows t;
  t.reset(M);
  for (int m = 0; m <= M; ++m)
    for (int c = 0; c <= m; ++c) t.at(m, c) = binomial(m, c, pc);
  return t;
}

// Of m units in phase 1, each moves to phase 2 (pm), leaves (pl) or stays.
inline SquareBlocks multinomial_blocks(int M, double pm, double pl) {
  SquareBlocks b;
  b.reset(M);
  for (int m = 0; m <= M; ++m)
    for (int x = 0; x <= m; ++x)
      for (int y = 0; x + y <= m; ++y)
        b.at(m, x, y) = choose(m, x) * choose(m - x, y) * std::pow(pm, x) * std::pow(pl, y) * std::pow(1.0 - pm - pl, m - x - y);
  return b;
}

// Hypergeometric split of d units taken at random from x and y.
inline PairSplit hypergeometric_split(int bound, bool triangle) {
  PairSplit s;
  s.allocate(bound, triangle);
  for (int x = 0; x <= bound; ++x)
    for (int y = 0; y <= (triangle ? bound - x : bound); ++y)
      for (int d = 0; d <= x + y; ++d)
        for (int i1 = std::max(0, d - y); i1 <= std::min(x, d); ++i1)
          s.v[s.idx(x, y, d, i1)] = choose(x, i1) * choose(y, d - i1) / choose(x + y, d);
  return s;
}

inline PhaseType phases(int n) {
  PhaseType ph;
  ph.n = n;
  ph.Q.assign(static_cast<std::size_t>(n * n), 0.0);
  ph.alpha.assign(static_cast<std::size_t>(n), 0.0);
  ph.alpha[0] = 1.0;
  return ph;
}

// Joint arrivals and end phase: from phase a the count is Poisson(m_a), the
// end phase stays with probability stay.
inline ArrivalBlock arrival_block(int n, int mxq, double m0, double m1, double stay) {
  ArrivalBlock X;
  X.n = n;
  X.mxq = mxq;
  X.v.assign(static_cast<std::size_t>(n * n * (mxq + 1)), 0.0);
  for (int a = 0; a < n; ++a) {
    std::vector<double> row = poisson_row(a == 0 ? m0 : m1, mxq);
    for (int b = 0; b < n; ++b)
      for (int k = 0; k <= mxq; ++k)
        X.v[X.idx(a, b, k)] = row[static_cast<std::size_t>(k)] * (n == 1 ? 1.0 : a == b ? stay : 1.0 - stay);
  }
  return X;
}

// Phases of each period of a hand-built instance.
struct Periods {
  std::vector<int> iat_phases{1}, ser_phases{1}, abd_phases{1};
};

// n intervals of 0.25, all periods' tables filled (a one-phase period of a
// multi-phase layout gets two-phase tables of its one rate with no move to
// phase 2), srv_int = mxs everywhere, no changes in the calendar, interval 0
// the only observation interval, K = 3. Caps bind nowhere.
inline ModelInstance make_instance(Layout layout, int mxs, int mxq, int n, const Periods& per = Periods{}) {
  ModelInstance inst;
  IntervalGrid& g = inst.grid;
  const std::size_t N = static_cast<std::size_t>(n);
  g.Delta = 0.25, g.n_int = n, g.n = n, g.mxw = 3, g.K = 3, g.n_obs_max = 1, g.mxs = mxs;
  g.srv_int.assign(N, mxs);
  g.srv_chg.assign(N, 0), g.chg_iat.assign(N, 0), g.chg_ser.assign(N, 0), g.chg_abd.assign(N, 0);
  g.obs_int_flag.assign(N, 0);
  g.obs_int_flag[0] = 1;

  ProcessFits& f = inst.fits;
  f.layout_exp = layout == Layout::exp, f.layout_serabd = layout == Layout::serabd, f.layout_arr = layout == Layout::arr;
  for (int k : per.iat_phases) f.iat.push_back(phases(k));
  for (int k : per.ser_phases) f.ser.push_back(phases(k));
  for (int k : per.abd_phases) f.abd.push_back(phases(k));

  CountTables& c = inst.counts;
  for (std::size_t p = 0; p < f.iat.size(); ++p) {
    double mean = 0.6 + 0.3 * static_cast<double>(p);
    c.arr_cnt.push_back(poisson_row(mean, mxq));
    c.arr_cnt_2ph.push_back(arrival_block(f.iat[p].n, mxq, mean, 0.2, 0.7));
  }
  // Event tables of period p: completion probability base + step p; a
  // two-phase period completes phase 2 with p2, moves with pm, leaves with pl.
  auto events = [](const std::vector<PhaseType>& fit, int M, double base, double step, double p2, double pm, double pl,
                   std::vector<TriangleRows>& cnt, std::vector<TriangleRows>& ph2, std::vector<SquareBlocks>& adv) {
    for (std::size_t p = 0; p < fit.size(); ++p) {
      const double pc = base + step * static_cast<double>(p);
      const bool two = fit[p].n == 2;
      cnt.push_back(binomial_rows(M, pc));
      ph2.push_back(binomial_rows(M, two ? p2 : pc));
      adv.push_back(multinomial_blocks(M, two ? pm : 0.0, two ? pl : pc));
    }
  };
  events(f.ser, mxs, 0.3, 0.1, 0.5, 0.25, 0.15, c.ser_cmp, c.ser_cmp_ph2, c.ser_adv_ph1);
  events(f.abd, mxq, 0.1, 0.05, 0.3, 0.2, 0.05, c.abd_cnt, c.abd_cnt_ph2, c.abd_adv_ph1);
  inst.splits.srv_drop_split = hypergeometric_split(mxs, true);
  if (!f.layout_exp) {
    inst.splits.q2s_split.assign(f.abd.size(), hypergeometric_split(mxq, false));
    f_build_queue_split_rows(inst.splits, mxs);
  }

  inst.state.allocate(mxs, mxq);
  ModelResults& r = inst.results;
  r.wait_prob.assign(static_cast<std::size_t>((g.n_obs_max + 1) * (g.K + 1)), 0.0);
  for (std::vector<double>* v : {&r.q_avg[0], &r.q_avg[1], &r.q_var, &r.abd_avg, &r.sys_avg, &r.sys_avg_pre_arr})
    v->assign(N, 0.0);

  gv_mxq = mxq, gv_mxn_abd = mxq, gv_mxn_ser = mxs;
  gv_CFG_order_iat = 1, gv_CFG_order_ser = 2, gv_CFG_order_abd = 3;
  gv_CFG_nrc = 1;
  gv_CFG_precision_stat = 1e-9;
  return inst;
}

// A cycle state on the periods of interval 0 of instance 4.
inline CycleState cycle_at_start(bool last_cycle = false) {
  CycleState cyc;
  cyc.inst_nr = 4;
  cyc.last_cycle = last_cycle;
  return cyc;
}

// Entry of the current slice.
inline double& cur(ModelInstance& inst, int a, int j, int l, int q, int r) {
  return inst.state.slice[inst.state.slice_cur][inst.state.idx(a, j, l, q, r)];
}

inline double cur_total(const ModelInstance& inst) {
  double s = 0.0;
  for (double p : inst.state.slice[inst.state.slice_cur]) s += p;
  return s;
}

// Calls fn(a, j, l, q, r) for a < n_a, j + l <= mxs and all q, r, in the
// order in which the passes visit the states.
template <class Fn>
void for_each_entry(const StateDist& st, int n_a, Fn fn) {
  for (int a = 0; a < n_a; ++a)
    for (int j = 0; j <= st.mxs; ++j)
      for (int l = 0; j + l <= st.mxs; ++l)
        for (int q = 0; q <= st.mxq; ++q)
          for (int r = 0; r <= st.mxq; ++r) fn(a, j, l, q, r);
}

// A dense, positive distribution of total 1 on a < n_a, j + l <= mxs, all q
// and r (only l = r = 0 in the one-phase layout).
inline void spread_mass(ModelInstance& inst, int n_a) {
  StateDist& st = inst.state;
  std::fill(st.slice[st.slice_cur].begin(), st.slice[st.slice_cur].end(), 0.0);
  bool exp = inst.fits.layout_exp;
  double total = 0.0;
  unsigned seed = 12345u;
  for_each_entry(st, n_a, [&](int a, int j, int l, int q, int r) {
    if (exp && (l > 0 || r > 0)) return;
    seed = seed * 1103515245u + 12345u;
    total += cur(inst, a, j, l, q, r) = 0.05 + static_cast<double>((seed >> 8) % 1000) / 1000.0;
  });
  for (double& p : st.slice[st.slice_cur]) p /= total;
}

}  // namespace hand
