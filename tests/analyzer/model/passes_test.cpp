// The passes of one interval on hand-built instances: each transition against
// a compact entry-by-entry reference (same order of operations, so equal to
// the last bit); server changes, the interval close and the waiting-time look-ahead.
#include <random>

#include "analyzer/model/running_sum.h"
#include "tests/support/instances.h"

using hand::cur;
using hand::Layout;

namespace {

constexpr double kTight = 1e-15;

const hand::Periods kTwoPhaseService{{1}, {2}, {2}};

// Two-phase arrivals and, as asked, two-phase service or patience.
hand::Periods two_phase(bool ser, bool abd) { return {{2}, {ser ? 2 : 1}, {abd ? 2 : 1}}; }

void expect_slice(const ModelInstance& inst, const std::vector<double>& want) {
  const std::vector<double>& got = inst.state.slice[inst.state.slice_cur];
  for (std::size_t k = 0; k < want.size(); ++k) ASSERT_EQ(got[k], want[k]) << "entry " << k;
}

}  // namespace

// Entry by entry: arrivals join patience phase 1 and the count that finds no
// room stays at the bound; the last cycle counts the reflections.
TEST(ArrivalTransition, EqualsTheEntryByEntryReference) {
  for (Layout layout : {Layout::serabd, Layout::arr}) {
    const int n_a = layout == Layout::arr ? 2 : 1;
    ModelInstance inst = hand::make_instance(layout, 2, 6, 2, n_a == 2 ? two_phase(false, false) : kTwoPhaseService);
    gv_mxn_abd = 4;
    hand::spread_mass(inst, n_a);
    const StateDist& st = inst.state;
    const std::vector<double> src = st.slice[st.slice_cur];
    std::vector<double> want(src.size(), 0.0);
    double want_refl = 0.0;
    const std::vector<double>& N = inst.counts.arr_cnt[0];
    const ArrivalBlock& X = inst.counts.arr_cnt_2ph[0];
    hand::for_each_entry(st, n_a, [&](int a, int j, int l, int q, int r) {
      const double p = src[st.idx(a, j, l, q, r)];
      const int h = 6 - q;
      for (int k = h + 1; k <= gv_mxn_abd; ++k)
        for (int b = 0; b < n_a; ++b) want_refl += ((k - h) * p) * (n_a == 1 ? N[k] : X.at(a, b, k));
      double c = 0.0;
      if (n_a == 1) {
        for (int k = 0; k <= gv_mxn_abd; ++k) {
          if (q + k == 6) {
            if (1.0 > c) want[st.idx(0, j, l, 6, r)] += (1.0 - c) * p;
            break;
          }
          want[st.idx(0, j, l, q + k, r)] += N[k] * p;
          c += N[k];
        }
      } else {
        for (int k = 0; k <= h; ++k)
          for (int b = 0; b < 2; ++b) {
            want[st.idx(b, j, l, q + k, r)] += X.at(a, b, k) * p;
            c += X.at(a, b, k);
          }
        if ((1.0 - c) * p > 0.0) want[st.idx(1, j, l, 6, r)] += (1.0 - c) * p;
      }
    });
    CycleState cyc = hand::cycle_at_start(true);
    f_arrival_transition(inst, cyc);
    expect_slice(inst, want);
    EXPECT_EQ(cyc.reflections, want_refl);
  }
}

// Completions in phase 2, then the phase-1 advance; the queue-to-service
// pass copies when there are no servers.
TEST(ServiceTransition, EqualsTheEntryByEntryReference) {
  ModelInstance inst = hand::make_instance(Layout::arr, 4, 3, 2, two_phase(true, false));
  gv_mxn_ser = 3;
  hand::spread_mass(inst, 2);
  const StateDist& st = inst.state;
  const std::vector<double> src = st.slice[st.slice_cur];
  const TriangleRows& T = inst.counts.ser_cmp_ph2[0];
  const SquareBlocks& G = inst.counts.ser_adv_ph1[0];
  std::vector<double> mid(src.size(), 0.0), want(src.size(), 0.0);
  hand::for_each_entry(st, 2, [&](int a, int j, int l, int q, int r) {
    const double p = src[st.idx(a, j, l, q, r)];
    if (l == 0) return void(mid[st.idx(a, j, l, q, r)] += p);
    for (int c = 0; c <= std::min(l, 3); ++c) mid[st.idx(a, j, l - c, q, r)] += p * T.at(l, c);
  });
  hand::for_each_entry(st, 2, [&](int a, int j, int l, int q, int r) {
    const double p = mid[st.idx(a, j, l, q, r)];
    if (j == 0) return void(want[st.idx(a, j, l, q, r)] += p);
    const int cmax = std::min(j, 3);
    for (int x = 0; x <= cmax; ++x)
      for (int y = 0; y <= cmax - x; ++y) want[st.idx(a, j - x - y, l + x, q, r)] += p * G.at(j, x, y);
  });
  inst.grid.srv_int[0] = 0;
  f_service_transition(inst, hand::cycle_at_start(), 0);
  expect_slice(inst, want);
}

// Waiting units take d free servers: all of them when d >= q + r, else a
// split of d over the two patience phases.
TEST(QueueToService, EqualsTheEntryByEntryReference) {
  ModelInstance inst = hand::make_instance(Layout::arr, 4, 3, 2, two_phase(false, false));
  hand::spread_mass(inst, 2);
  const StateDist& st = inst.state;
  const std::vector<double> src = st.slice[st.slice_cur];
  const QueueSplit& split = inst.splits.q2s_split[0];
  std::vector<double> want(src.size(), 0.0);
  hand::for_each_entry(st, 2, [&](int a, int j, int l, int q, int r) {
    const double p = src[st.idx(a, j, l, q, r)];
    const int d = 4 - j - l;
    if (d <= 0 || q + r == 0) {
      want[st.idx(a, j, l, q, r)] += p;
    } else if (p > 0.0 && d >= q + r) {
      want[st.idx(a, j + q + r, l, 0, 0)] += p;
    } else if (p > 0.0) {
      for (int i1 = std::max(0, d - r); i1 <= std::min(q, d); ++i1)
        want[st.idx(a, j + d, l, q - i1, r - (d - i1))] += split.at(q, r, d, i1) * p;
    }
  });
  f_queue_to_service_pass(inst.state, f_state_range(inst, 0), 4, f_queue_split(inst, 0));
  expect_slice(inst, want);
}

// Phase 2 abandons first; then the phase-1 advance, x running upward, sends
// the rest of a row that reaches the bound to (q - xmax, mxq).
TEST(AbandonmentTransition, EqualsTheEntryByEntryReference) {
  ModelInstance inst = hand::make_instance(Layout::arr, 1, 6, 2, two_phase(false, true));
  gv_mxn_abd = 4;
  hand::spread_mass(inst, 2);
  const StateDist& st = inst.state;
  const std::vector<double> src = st.slice[st.slice_cur];
  const TriangleRows& A = inst.counts.abd_cnt_ph2[0];
  const SquareBlocks& G = inst.counts.abd_adv_ph1[0];
  std::vector<double> mid(src.size(), 0.0), want(src.size(), 0.0);
  double want_abd = 0.0;
  hand::for_each_entry(st, 2, [&](int a, int j, int l, int q, int r) {
    const double p = src[st.idx(a, j, l, q, r)];
    if (r == 0) return void(mid[st.idx(a, j, l, q, r)] += p);
    for (int b = 0; b <= std::min(r, 4); ++b) {
      mid[st.idx(a, j, l, q, r - b)] += p * A.at(r, b);
      want_abd += b * (p * A.at(r, b));
    }
  });
  hand::for_each_entry(st, 2, [&](int a, int j, int l, int q, int r) {
    const double p = mid[st.idx(a, j, l, q, r)];
    if (q == 0) return void(want[st.idx(a, j, l, q, r)] += p);
    const int xmax = std::min(q, 4);
    double cum = 0.0;
    for (int x = 0; x <= xmax; ++x) {
      for (int y = 0; y <= xmax - x; ++y) {
        cum += G.at(q, x, y);
        want[st.idx(a, j, l, q - x - y, r + x)] += p * G.at(q, x, y);
        want_abd += y * (p * G.at(q, x, y));
      }
      if (r + x == 6) {
        if (1.0 > cum) {
          want[st.idx(a, j, l, q - xmax, 6)] += (1.0 - cum) * p;
          want_abd += (xmax - x) * ((1.0 - cum) * p);
        }
        break;
      }
    }
  });
  double abandoned = 0.0;
  f_abandonment_transition(inst, hand::cycle_at_start(), &abandoned);
  expect_slice(inst, want);
  EXPECT_EQ(abandoned, want_abd);
}

// An increase lets waiting units into service (hypergeometric split over the
// patience phases); a decrease removes busy units hypergeometrically.
TEST(ServerChange, HandComputedMoves) {
  struct Case {
    Layout layout;
    int mxs, chg, s;
    std::vector<std::pair<std::array<int, 4>, double>> from, to;  // (j, l, q, r) -> mass
  };
  using E = std::vector<std::pair<std::array<int, 4>, double>>;
  const std::vector<Case> cases{
      {Layout::exp, 4, 2, 3, E{{{1, 0, 5, 0}, 0.1}, {{1, 0, 2, 0}, 0.2}, {{3, 0, 4, 0}, 0.3}, {{0, 0, 0, 0}, 0.4}},
       E{{{3, 0, 3, 0}, 0.1}, {{3, 0, 0, 0}, 0.2}, {{3, 0, 4, 0}, 0.3}, {{0, 0, 0, 0}, 0.4}}},
      {Layout::exp, 4, -2, 2, E{{{4, 0, 3, 0}, 0.6}, {{2, 0, 5, 0}, 0.4}}, E{{{2, 0, 3, 0}, 0.6}, {{2, 0, 5, 0}, 0.4}}},
      {Layout::serabd, 3, -2, 1, E{{{2, 1, 1, 2}, 0.9}, {{1, 0, 0, 1}, 0.1}},
       E{{{1, 0, 1, 2}, 0.6}, {{0, 1, 1, 2}, 0.3}, {{1, 0, 0, 1}, 0.1}}},
      {Layout::serabd, 5, 3, 5, E{{{1, 1, 1, 2}, 1.0}}, E{{{4, 1, 0, 0}, 1.0}}},
      {Layout::serabd, 5, 2, 4, E{{{2, 0, 2, 3}, 1.0}}, E{{{4, 0, 2, 1}, 0.3}, {{4, 0, 1, 2}, 0.6}, {{4, 0, 0, 3}, 0.1}}},
  };
  for (const Case& c : cases) {
    ModelInstance inst = hand::make_instance(c.layout, c.mxs, 5, 2, kTwoPhaseService);
    inst.grid.srv_chg[1] = c.chg;
    inst.grid.srv_int[1] = c.s;
    for (const auto& [e, p] : c.from) cur(inst, 0, e[0], e[1], e[2], e[3]) = p;
    f_server_change(inst, hand::cycle_at_start(), 1);
    for (const auto& [e, p] : c.to)
      EXPECT_NEAR(cur(inst, 0, e[0], e[1], e[2], e[3]), p, kTight) << c.chg << ": " << e[0] << e[1] << e[2] << e[3];
    EXPECT_NEAR(hand::cur_total(inst), 1.0, kTight) << c.chg;
  }
}

TEST(IntervalStatistics, ZeroNegativeOrNonFiniteTotalEndsTheRunNamingWhere) {
  for (double total : {0.0, -0.5, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
    ChildResult r = run_in_child([total] {
      ModelInstance inst = hand::make_instance(Layout::exp, 1, 2, 4);
      cur(inst, 0, 1, 0, 1, 0) = total;
      CycleState cyc = hand::cycle_at_start();
      cyc.int_idx = 3;
      cyc.inst_nr = 12;
      cyc.cycle_count = 6;
      f_close_interval(inst, cyc);
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("cannot be renormalised"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("instance 12, cycle 7, interval 3.\nPress any key to quit..."), std::string::npos) << r.out;
  }
}

// The observation interval 1 starts service period 1 (nobody finishes);
// interval 0 of the next cycle is period 0 (everybody finishes).
TEST(WaitLookahead, StepsThroughTheFollowingIntervalsWithTheirPeriods) {
  hand::Periods per;
  per.ser_phases = {1, 1};
  for (int servers : {1, 0}) {
    ModelInstance inst = hand::make_instance(Layout::exp, 1, 0, 2, per);
    inst.grid.K = inst.grid.mxw = 4;
    inst.results.wait_prob.assign(10, 0.0);
    inst.grid.srv_int = {servers, servers};
    inst.grid.chg_ser = {1, 1};
    inst.counts.ser_cmp[0] = hand::binomial_rows(1, 1.0);
    inst.counts.ser_cmp[1] = hand::binomial_rows(1, 0.0);
    cur(inst, 0, servers, 0, 0, 0) = 1.0;
    CycleState cyc = hand::cycle_at_start();
    cyc.int_idx = 1;
    cyc.per_ser = 1;
    f_wait_lookahead(inst, cyc);
    f_wait_residual(inst.results, 1, 4);
    const std::vector<double> row(inst.results.wait_prob.begin(), inst.results.wait_prob.begin() + 5);
    EXPECT_EQ(row, servers ? std::vector<double>({0, 0, 1, 0, 0}) : std::vector<double>({0, 0, 0, 0, 1}));
    EXPECT_EQ(cyc.per_ser, 1);
    EXPECT_EQ(cyc.int_idx, 1);
    EXPECT_EQ(cyc.n_obs, 1);
  }
}


// The bound under which a term cannot change a running sum, with its margin
// of 2 used up: for sums of every magnitude and mantissa, sum + t == sum for
// every t below twice the bound; tiny sums pass no term by.
TEST(RunningSum, TermsBelowTheBoundLeaveTheSumAsItIs) {
  std::mt19937_64 gen(7);
  std::uniform_real_distribution<double> mantissa(1.0, 2.0);
  for (int e : {-899, -500, -60, -1, 0, 1, 52, 300, 1022}) {
    for (int k = 0; k < 2000; ++k) {
      const double sum = std::ldexp(k == 0 ? 1.0 : k == 1 ? std::nextafter(2.0, 0.0) : mantissa(gen), e);
      const double t = std::nextafter(2.0 * f_unchanged_below(sum), 0.0);
      ASSERT_GT(t, 0.0);
      ASSERT_EQ(sum + t, sum) << "sum " << sum << ", term " << t;
    }
  }
  EXPECT_EQ(f_unchanged_below(std::ldexp(1.0, -901)), 0.0);
  EXPECT_EQ(f_unchanged_below(0.0), 0.0);
}
