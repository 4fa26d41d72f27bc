// Waiting-time look-ahead: the mass of states with a free server and nobody
// ahead, step by step without arrivals; the distribution comes back
// unchanged and the residual rule completes each row to 1.
#include "analyzer/model/wait_lookahead.h"

#include <gtest/gtest.h>

#include "analyzer/model/interval_statistics.h"
#include "analyzer/model/interval_step.h"
#include "tests/analyzer/model/hand_built_model.h"

using hand::cur;
using hand::Layout;

namespace {

constexpr double kTight = 1e-15;
constexpr double kRow = 1e-12;

void set_K(ModelInstance& inst, int K) {
  inst.grid.K = K;
  inst.grid.mxw = K;
  inst.results.wait_prob.assign(static_cast<std::size_t>((inst.grid.n_obs_max + 1) * (K + 1)), 0.0);
}

double wait(const ModelInstance& inst, int row, int w) {
  return inst.results.wait_prob[static_cast<std::size_t>(row * (inst.grid.K + 1) + w)];
}

// One server, no queue room: the unit ahead is in service or not.
ModelInstance one_server(int n, int K) {
  hand::Periods per;
  per.ser_phases = {1, 1};
  ModelInstance inst = hand::make_instance(Layout::exp, 1, 0, n, per);
  set_K(inst, K);
  inst.grid.srv_int.assign(static_cast<std::size_t>(n), 1);
  inst.counts.ser_cmp[0] = hand::binomial_rows(1, 1.0);  // period 0: every service ends
  inst.counts.ser_cmp[1] = hand::binomial_rows(1, 0.0);  // period 1: none ends
  return inst;
}

}  // namespace

TEST(WaitLookahead, FreeServerWithoutQueueWaitsNothing) {
  ModelInstance inst = one_server(2, 3);
  cur(inst, 0, 0, 0, 0, 0) = 1.0;
  CycleState cyc = hand::cycle_at_start();
  f_wait_lookahead(inst, cyc);
  EXPECT_EQ(cyc.n_obs, 1);
  EXPECT_EQ(wait(inst, 0, 0), 1.0);
  for (int w = 1; w <= 3; ++w) EXPECT_EQ(wait(inst, 0, w), 0.0);
  f_wait_residual(inst.results, 1, 3);
  EXPECT_EQ(wait(inst, 0, 3), 0.0);
}

// The observation interval 1 starts service period 1 (nobody finishes);
// interval 0 of the next cycle is period 0 (everybody finishes). The first
// step works on interval 1 in period 1, the second on interval 0.
TEST(WaitLookahead, FirstStepKeepsThePeriodsOfTheObservationInterval) {
  ModelInstance inst = one_server(2, 4);
  inst.grid.chg_ser = {1, 1};
  cur(inst, 0, 1, 0, 0, 0) = 1.0;
  CycleState cyc = hand::cycle_at_start();
  cyc.int_idx = 1;
  cyc.per_ser = 1;
  f_wait_lookahead(inst, cyc);
  EXPECT_EQ(wait(inst, 0, 0), 0.0);
  EXPECT_EQ(wait(inst, 0, 1), 0.0);
  EXPECT_EQ(wait(inst, 0, 2), 1.0);
  EXPECT_EQ(wait(inst, 0, 3), 0.0);
  EXPECT_EQ(cyc.per_ser, 1);
  EXPECT_EQ(cyc.int_idx, 1);
}

TEST(WaitLookahead, NoServersAbsorbNothing) {
  ModelInstance inst = one_server(2, 3);
  inst.grid.srv_int = {0, 0};
  cur(inst, 0, 0, 0, 0, 0) = 1.0;
  CycleState cyc = hand::cycle_at_start();
  f_wait_lookahead(inst, cyc);
  f_wait_residual(inst.results, 1, 3);
  EXPECT_EQ(wait(inst, 0, 0), 0.0);
  EXPECT_EQ(wait(inst, 0, 1), 0.0);
  EXPECT_EQ(wait(inst, 0, 2), 0.0);
  EXPECT_EQ(wait(inst, 0, 3), 1.0);
}

TEST(WaitLookahead, ShortHorizonsPutTheResidualInTheLastColumn) {
  for (int K : {0, 1, 2}) {
    ModelInstance inst = one_server(2, K);
    cur(inst, 0, 0, 0, 0, 0) = 0.25;  // free server
    cur(inst, 0, 1, 0, 0, 0) = 0.75;  // busy; period 0 ends the service
    CycleState cyc = hand::cycle_at_start();
    f_wait_lookahead(inst, cyc);
    f_wait_residual(inst.results, 1, K);
    EXPECT_EQ(wait(inst, 0, 0), K == 0 ? 1.0 : 0.25) << K;
    if (K == 1) {
      EXPECT_EQ(wait(inst, 0, 1), 0.75);
    }
    if (K == 2) {
      EXPECT_EQ(wait(inst, 0, 1), 0.75);  // the one step, on interval 0 itself
      EXPECT_EQ(wait(inst, 0, 2), 0.0);
    }
  }
}

TEST(WaitResidual, FullRowsAreLeftAlone) {
  ModelResults res;
  res.wait_prob = {0.5, 0.6, 0.0, 0.2, 0.3, 0.1, 9.0, 9.0, 9.0};
  f_wait_residual(res, 2, 2);
  EXPECT_EQ(res.wait_prob[2], 0.0);
  EXPECT_NEAR(res.wait_prob[5], 0.5, kTight);
  EXPECT_EQ(res.wait_prob[8], 9.0);  // beyond n_obs
}

// Every interval observed, over a calendar with server and period changes:
// after each look-ahead the distribution, the slices and the cursors are as
// before it, and each completed row sums to 1.
TEST(WaitLookahead, LeavesTheDistributionBitIdenticalAndRowsSumToOne) {
  hand::Periods per;
  per.iat_phases = {2, 1};
  per.ser_phases = {2, 1};
  per.abd_phases = {1, 2};
  for (Layout layout : {Layout::exp, Layout::serabd, Layout::arr}) {
    hand::Periods p = per;
    if (layout != Layout::arr) p.iat_phases = {1, 1};
    if (layout == Layout::exp) p.ser_phases = p.abd_phases = {1, 1};
    ModelInstance inst = hand::make_instance(layout, 3, 5, 5, p);
    IntervalGrid& g = inst.grid;
    g.srv_int = {3, 2, 2, 1, 3};
    g.srv_chg = {0, -1, 0, -1, 2};
    g.chg_iat = {1, 0, 0, 1, 0};
    g.chg_ser = {1, 0, 1, 0, 0};
    g.chg_abd = {1, 1, 0, 0, 0};
    g.obs_int_flag = {1, 1, 1, 1, 1};
    g.n_obs_max = 5;
    set_K(inst, 7);  // the steps wrap past the cycle end
    inst.state.slice_src = 0;
    inst.state.slice_cur = 1;
    cur(inst, 0, 0, 0, 0, 0) = 1.0;
    CycleState cyc = hand::cycle_at_start();
    cyc.per_iat = cyc.per_ser = cyc.per_abd = 1;
    cyc.last_cycle = true;
    for (int t = 0; t < 5; ++t) {
      cyc.int_idx = t;
      f_interval_step(inst, cyc);
      f_close_interval(inst, cyc);
      const std::vector<double> before = inst.state.slice[inst.state.slice_cur];
      const CycleState cyc_before = cyc;
      const int cur_before = inst.state.slice_cur;
      f_wait_lookahead(inst, cyc);
      EXPECT_EQ(inst.state.slice_cur, cur_before);
      EXPECT_EQ(inst.state.slice_src, 1 - cur_before);
      EXPECT_EQ(cyc.per_iat, cyc_before.per_iat);
      EXPECT_EQ(cyc.per_ser, cyc_before.per_ser);
      EXPECT_EQ(cyc.per_abd, cyc_before.per_abd);
      EXPECT_EQ(cyc.int_idx, t);
      EXPECT_EQ(cyc.n_obs, t + 1);
      const std::vector<double>& after = inst.state.slice[inst.state.slice_cur];
      const StateRange rg = f_state_range(inst, cyc.per_iat);
      for (std::size_t k = 0; k < static_cast<std::size_t>(rg.n_a) * inst.state.pairs * rg.B; ++k) {
        ASSERT_EQ(after[k], before[k]) << "interval " << t << " entry " << k;
      }
    }
    f_wait_residual(inst.results, cyc.n_obs, 7);
    for (int r = 0; r < 5; ++r) {
      double s = 0.0;
      for (int w = 0; w <= 7; ++w) {
        EXPECT_GE(wait(inst, r, w), 0.0);
        s += wait(inst, r, w);
      }
      EXPECT_NEAR(s, 1.0, kRow) << "row " << r;
    }
  }
}
