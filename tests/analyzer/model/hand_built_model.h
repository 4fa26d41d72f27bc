// Small model instances built by hand for the tests of the interval step:
// count tables from closed forms (Poisson arrivals, binomial and multinomial
// completions, hypergeometric splits), a plain calendar and zeroed results.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

#include "analyzer/input/config.h"
#include "analyzer/model/cycle_loop.h"
#include "analyzer/model/model_data.h"
#include "analyzer/model/queue_to_service.h"

namespace hand {

enum class Layout { exp, serabd, arr };

// Binomial coefficient by the product formula.
inline double choose(int n, int k) {
  if (k < 0 || k > n) return 0.0;
  double c = 1.0;
  for (int i = 1; i <= k; ++i) c = c * (n - k + i) / i;
  return c;
}

inline double binomial(int n, int k, double p) {
  return choose(n, k) * std::pow(p, k) * std::pow(1.0 - p, n - k);
}

// Poisson terms 0..top with the tail of more than top added to entry top.
inline std::vector<double> poisson_row(double mean, int top) {
  std::vector<double> row(static_cast<std::size_t>(top + 1));
  double term = std::exp(-mean), sum = 0.0;
  for (int k = 0; k < top; ++k) {
    row[static_cast<std::size_t>(k)] = term;
    sum += term;
    term = term * mean / (k + 1);
  }
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

// Of m units in phase 1, each independently moves to phase 2 (pm), leaves
// (pl) or stays: x move and y leave.
inline SquareBlocks multinomial_blocks(int M, double pm, double pl) {
  SquareBlocks b;
  b.reset(M);
  double ps = 1.0 - pm - pl;
  for (int m = 0; m <= M; ++m)
    for (int x = 0; x <= m; ++x)
      for (int y = 0; x + y <= m; ++y)
        b.at(m, x, y) = choose(m, x) * choose(m - x, y) * std::pow(pm, x) * std::pow(pl, y) * std::pow(ps, m - x - y);
  return b;
}

// Hypergeometric split of d units taken at random from x and y, over the
// pairs x, y = 0..bound (or the triangle x + y <= bound).
inline PairSplit hypergeometric_split(int bound, bool triangle) {
  PairSplit s;
  s.allocate(bound, triangle);
  for (int x = 0; x <= bound; ++x)
    for (int y = 0; y <= bound; ++y) {
      if (triangle && x + y > bound) continue;
      for (int d = 0; d <= x + y; ++d)
        for (int i1 = 0; i1 <= x; ++i1)
          if (d - i1 >= 0 && d - i1 <= y) s.v[s.idx(x, y, d, i1)] = choose(x, i1) * choose(y, d - i1) / choose(x + y, d);
    }
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

// Joint arrivals and end phase of a two-phase arrival period: from phase a,
// the count is Poisson with mean m[a] and the end phase b has probability
// stay (b = a) or 1 - stay.
inline ArrivalBlock two_phase_arrivals(int mxq, double m0, double m1, double stay) {
  ArrivalBlock X;
  X.n = 2;
  X.mxq = mxq;
  X.v.assign(static_cast<std::size_t>(4 * (mxq + 1)), 0.0);
  for (int a = 0; a < 2; ++a) {
    std::vector<double> row = poisson_row(a == 0 ? m0 : m1, mxq);
    for (int b = 0; b < 2; ++b)
      for (int k = 0; k <= mxq; ++k) X.v[X.idx(a, b, k)] = row[static_cast<std::size_t>(k)] * (a == b ? stay : 1.0 - stay);
  }
  return X;
}

inline ArrivalBlock one_phase_arrivals(int mxq, double mean) {
  ArrivalBlock X;
  X.n = 1;
  X.mxq = mxq;
  X.v = poisson_row(mean, mxq);
  return X;
}

// Per-period choices of a hand-built instance.
struct Periods {
  std::vector<int> iat_phases{1};  // phases of each arrival period
  std::vector<int> ser_phases{1};
  std::vector<int> abd_phases{1};
};

// An instance with n intervals, all periods' tables filled (a one-phase
// period of a multi-phase layout gets two-phase tables of its one rate with
// no move to phase 2), srv_int = mxs everywhere, no changes in the calendar,
// interval 0 the only observation interval, K = 3. Caps bind nowhere.
inline ModelInstance make_instance(Layout layout, int mxs, int mxq, int n, const Periods& per = Periods{}) {
  ModelInstance inst;
  IntervalGrid& g = inst.grid;
  g.Delta = 0.25;
  g.n_int = n;
  g.n = n;
  g.mxw = 3;
  g.K = 3;
  g.n_obs_max = 1;
  g.mxs = mxs;
  g.srv_int.assign(static_cast<std::size_t>(n), mxs);
  g.srv_chg.assign(static_cast<std::size_t>(n), 0);
  g.chg_iat.assign(static_cast<std::size_t>(n), 0);
  g.chg_ser.assign(static_cast<std::size_t>(n), 0);
  g.chg_abd.assign(static_cast<std::size_t>(n), 0);
  g.obs_int_flag.assign(static_cast<std::size_t>(n), 0);
  g.obs_int_flag[0] = 1;

  ProcessFits& f = inst.fits;
  f.layout_exp = layout == Layout::exp;
  f.layout_serabd = layout == Layout::serabd;
  f.layout_arr = layout == Layout::arr;
  for (int k : per.iat_phases) f.iat.push_back(phases(k));
  for (int k : per.ser_phases) f.ser.push_back(phases(k));
  for (int k : per.abd_phases) f.abd.push_back(phases(k));

  CountTables& c = inst.counts;
  for (std::size_t p = 0; p < f.iat.size(); ++p) {
    double mean = 0.6 + 0.3 * static_cast<double>(p);
    c.arr_cnt.push_back(poisson_row(mean, mxq));
    c.arr_cnt_2ph.push_back(f.iat[p].n == 2 ? two_phase_arrivals(mxq, mean, 0.2, 0.7) : one_phase_arrivals(mxq, mean));
  }
  for (std::size_t p = 0; p < f.ser.size(); ++p) {
    double pc = 0.3 + 0.1 * static_cast<double>(p);
    bool two = f.ser[p].n == 2;
    c.ser_cmp.push_back(binomial_rows(mxs, pc));
    c.ser_cmp_ph2.push_back(binomial_rows(mxs, two ? 0.5 : pc));
    c.ser_adv_ph1.push_back(multinomial_blocks(mxs, two ? 0.25 : 0.0, two ? 0.15 : pc));
  }
  for (std::size_t p = 0; p < f.abd.size(); ++p) {
    double pa = 0.1 + 0.05 * static_cast<double>(p);
    bool two = f.abd[p].n == 2;
    c.abd_cnt.push_back(binomial_rows(mxq, pa));
    c.abd_cnt_ph2.push_back(binomial_rows(mxq, two ? 0.3 : pa));
    c.abd_adv_ph1.push_back(multinomial_blocks(mxq, two ? 0.2 : 0.0, two ? 0.05 : pa));
  }

  inst.splits.srv_drop_split = hypergeometric_split(mxs, true);
  if (!f.layout_exp) {
    inst.splits.q2s_split.assign(f.abd.size(), hypergeometric_split(mxq, false));
    f_build_queue_split_rows(inst.splits, mxs);
  }

  inst.state.allocate(mxs, mxq);
  ModelResults& r = inst.results;
  r.wait_prob.assign(static_cast<std::size_t>((g.n_obs_max + 1) * (g.K + 1)), 0.0);
  r.q_avg[0].assign(static_cast<std::size_t>(n), 0.0);
  r.q_avg[1].assign(static_cast<std::size_t>(n), 0.0);
  r.q_var.assign(static_cast<std::size_t>(n), 0.0);
  r.abd_avg.assign(static_cast<std::size_t>(n), 0.0);
  r.sys_avg.assign(static_cast<std::size_t>(n), 0.0);
  r.sys_avg_pre_arr.assign(static_cast<std::size_t>(n), 0.0);

  gv_mxq = mxq;
  gv_mxn_abd = mxq;
  gv_mxn_ser = mxs;
  gv_CFG_order_iat = 1;
  gv_CFG_order_ser = 2;
  gv_CFG_order_abd = 3;
  gv_CFG_nrc = 1;
  gv_CFG_precision_stat = 1e-9;
  return inst;
}

// A cycle state on the periods of interval 0, as after its cursor step.
inline CycleState cycle_at_start() {
  CycleState cyc;
  cyc.inst_nr = 4;
  return cyc;
}

inline double& at(ModelInstance& inst, int slice, int a, int j, int l, int q, int r) {
  return inst.state.slice[slice][inst.state.idx(a, j, l, q, r)];
}

// Entry of the current slice.
inline double& cur(ModelInstance& inst, int a, int j, int l, int q, int r) {
  return at(inst, inst.state.slice_cur, a, j, l, q, r);
}

// Sum over the current slice in storage order.
inline double cur_total(const ModelInstance& inst) {
  double s = 0.0;
  for (double p : inst.state.slice[inst.state.slice_cur]) s += p;
  return s;
}

// Calls fn(a, j, l, q, r) for a < n_a, j + l <= mxs and all q, r, in the
// order a, j, l, q, r: the order in which the passes visit the states.
template <class Fn>
void for_each_entry(const StateDist& st, int n_a, Fn fn) {
  for (int a = 0; a < n_a; ++a)
    for (int j = 0; j <= st.mxs; ++j)
      for (int l = 0; j + l <= st.mxs; ++l)
        for (int q = 0; q <= st.mxq; ++q)
          for (int r = 0; r <= st.mxq; ++r) fn(a, j, l, q, r);
}

// Puts a dense, positive distribution of total 1 on the range a < n_a,
// j + l <= mxs, all q and r (only a = l = r = 0 in the one-phase layout).
inline void spread_mass(ModelInstance& inst, int n_a) {
  StateDist& st = inst.state;
  std::fill(st.slice[st.slice_cur].begin(), st.slice[st.slice_cur].end(), 0.0);
  bool exp = inst.fits.layout_exp;
  double total = 0.0;
  unsigned seed = 12345u;
  for (int a = 0; a < n_a; ++a)
    for (int j = 0; j <= st.mxs; ++j)
      for (int l = 0; l <= (exp ? 0 : st.mxs - j); ++l)
        for (int q = 0; q <= st.mxq; ++q)
          for (int r = 0; r <= (exp ? 0 : st.mxq); ++r) {
            seed = seed * 1103515245u + 12345u;
            double v = 0.05 + static_cast<double>((seed >> 8) % 1000) / 1000.0;
            cur(inst, a, j, l, q, r) = v;
            total += v;
          }
  for (double& p : st.slice[st.slice_cur]) p /= total;
}

}  // namespace hand
