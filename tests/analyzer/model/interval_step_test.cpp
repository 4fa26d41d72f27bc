// One interval of the model: period cursors, process order, and the mass
// that the passes carry when no table cap binds, in all three layouts and
// across changes of the arrival phases.
#include "analyzer/model/interval_step.h"

#include <gtest/gtest.h>

#include "analyzer/model/interval_statistics.h"
#include "tests/analyzer/model/hand_built_model.h"

using hand::cur;
using hand::Layout;

namespace {

constexpr double kMass = 1e-12;

// Total over the range the arrival period per_iat uses.
double used_total(const ModelInstance& inst, int per_iat) {
  const StateDist& st = inst.state;
  int n_a = inst.fits.layout_exp ? 1 : inst.fits.iat[static_cast<std::size_t>(per_iat)].n;
  double s = 0.0;
  for (std::size_t k = 0; k < static_cast<std::size_t>(n_a) * st.pairs * st.qr_size(); ++k) {
    s += st.slice[st.slice_cur][k];
  }
  return s;
}

// A calendar with changes of every kind: arrival periods at 2 and 4, service
// at 3, patience at 1 and 5, and the servers 3, 3, 2, 2, 3, 1 (mxs 3).
void busy_calendar(ModelInstance& inst) {
  IntervalGrid& g = inst.grid;
  g.srv_int = {3, 3, 2, 2, 3, 1};
  g.srv_chg = {2, 0, -1, 0, 1, -2};
  g.chg_iat = {0, 0, 1, 0, 1, 0};
  g.chg_ser = {1, 0, 0, 1, 0, 0};
  g.chg_abd = {1, 1, 0, 0, 0, 1};
  inst.fits.iat.resize(3, inst.fits.iat.back());
  while (inst.counts.arr_cnt.size() < 3) {
    inst.counts.arr_cnt.push_back(inst.counts.arr_cnt.back());
    inst.counts.arr_cnt_2ph.push_back(inst.counts.arr_cnt_2ph.back());
  }
}

void to_last_periods(const ModelInstance& inst, CycleState& cyc) {
  cyc.per_iat = static_cast<int>(inst.fits.iat.size()) - 1;
  cyc.per_ser = static_cast<int>(inst.fits.ser.size()) - 1;
  cyc.per_abd = static_cast<int>(inst.fits.abd.size()) - 1;
}

CycleState last_periods(const ModelInstance& inst) {
  CycleState cyc = hand::cycle_at_start();
  to_last_periods(inst, cyc);
  return cyc;
}

// Runs cycles of the interval step, checking the total before each
// renormalisation.
void expect_mass_carried(ModelInstance& inst, int cycles) {
  StateDist& st = inst.state;
  st.slice_src = 0;
  st.slice_cur = 1;
  cur(inst, 0, 0, 0, 0, 0) = 1.0;
  CycleState cyc = last_periods(inst);
  for (int c = 0; c < cycles; ++c) {
    cyc.last_cycle = c == cycles - 1;
    for (int t = 0; t < inst.grid.n; ++t) {
      cyc.int_idx = t;
      f_interval_step(inst, cyc);
      EXPECT_NEAR(used_total(inst, cyc.per_iat), 1.0, kMass) << "cycle " << c << " interval " << t;
      f_close_interval(inst, cyc);
    }
    to_last_periods(inst, cyc);
  }
}

}  // namespace

TEST(PeriodCursors, AdvanceOnFlagsAndWrapAfterTheLastPeriod) {
  hand::Periods per;
  per.ser_phases = {1, 1, 1};
  ModelInstance inst = hand::make_instance(Layout::exp, 1, 1, 4, per);
  inst.grid.chg_ser = {1, 0, 1, 1};
  CycleState cyc = last_periods(inst);
  f_advance_cursors(inst, cyc, 0, true);
  EXPECT_EQ(cyc.per_ser, 0);
  EXPECT_EQ(cyc.per_iat, 0);  // single period, flag false: set to 0 at interval 0
  f_advance_cursors(inst, cyc, 1, true);
  EXPECT_EQ(cyc.per_ser, 0);
  f_advance_cursors(inst, cyc, 2, true);
  f_advance_cursors(inst, cyc, 3, true);
  EXPECT_EQ(cyc.per_ser, 2);
}

TEST(PeriodCursors, EqualFirstAndLastPeriodsStartAtZeroWithoutFlag) {
  hand::Periods per;
  per.iat_phases = {1, 1, 1};  // A, B, A
  ModelInstance inst = hand::make_instance(Layout::exp, 1, 1, 6, per);
  inst.grid.chg_iat = {0, 0, 1, 0, 1, 0};
  CycleState cyc = last_periods(inst);
  std::vector<int> seen;
  for (int t = 0; t < 6; ++t) {
    f_advance_cursors(inst, cyc, t, true);
    seen.push_back(cyc.per_iat);
  }
  EXPECT_EQ(seen, (std::vector<int>{0, 0, 1, 1, 2, 2}));
}

TEST(PeriodCursors, LookAheadFormLeavesTheArrivalCursor) {
  hand::Periods per;
  per.iat_phases = {1, 1};
  ModelInstance inst = hand::make_instance(Layout::exp, 1, 1, 2, per);
  inst.grid.chg_iat = {1, 1};
  CycleState cyc = hand::cycle_at_start();
  f_advance_cursors(inst, cyc, 1, false);
  EXPECT_EQ(cyc.per_iat, 0);
}

// One unit waits. Arrivals bring exactly one unit, every waiting unit
// abandons, nothing is served (no servers).
class ProcessOrder : public ::testing::Test {
 protected:
  void SetUp() override {
    inst = hand::make_instance(Layout::exp, 1, 3, 1);
    inst.grid.srv_int[0] = 0;
    inst.counts.arr_cnt[0] = {0.0, 1.0, 0.0, 0.0};
    inst.counts.abd_cnt[0] = hand::binomial_rows(3, 1.0);
    inst.counts.ser_cmp[0] = hand::binomial_rows(1, 0.0);
    cur(inst, 0, 0, 0, 1, 0) = 1.0;
  }
  int waiting_after(int iat, int ser, int abd) {
    gv_CFG_order_iat = iat;
    gv_CFG_order_ser = ser;
    gv_CFG_order_abd = abd;
    CycleState cyc = hand::cycle_at_start();
    f_interval_step(inst, cyc);
    for (int q = 0; q <= 3; ++q)
      if (cur(inst, 0, 0, 0, q, 0) == 1.0) return q;
    return -1;
  }
  ModelInstance inst;
};

TEST_F(ProcessOrder, ConfiguredOrderArrivalServiceAbandonment) { EXPECT_EQ(waiting_after(1, 2, 3), 0); }

TEST_F(ProcessOrder, AbandonmentAtAnEarlierPositionRunsFirst) { EXPECT_EQ(waiting_after(2, 2, 1), 1); }

TEST_F(ProcessOrder, SharedPositionRunsArrivalServiceAbandonment) { EXPECT_EQ(waiting_after(3, 3, 3), 0); }

TEST_F(ProcessOrder, SwitchedOffProcessesNeverRun) {
  EXPECT_EQ(waiting_after(1, -1, -1), 2);
  EXPECT_EQ(inst.state.slice_cur, 0);  // a single pass
}

namespace {

void expect_mass_carried_in(Layout layout, std::vector<int> iat, std::vector<int> ser, std::vector<int> abd) {
  hand::Periods per;
  per.iat_phases = std::move(iat);
  per.ser_phases = std::move(ser);
  per.abd_phases = std::move(abd);
  ModelInstance inst = hand::make_instance(layout, 3, 6, 6, per);
  busy_calendar(inst);
  expect_mass_carried(inst, 3);
}

}  // namespace

TEST(MassConservation, OnePhaseLayout) { expect_mass_carried_in(Layout::exp, {1, 1}, {1, 1}, {1, 1}); }

TEST(MassConservation, MultiPhaseServiceAndPatienceNextToOnePhasePeriods) {
  expect_mass_carried_in(Layout::serabd, {1, 1}, {2, 1}, {1, 2});
}

// Arrival periods two-phase, one-phase, two-phase: phase 2 is folded into
// phase 1 at the first change, and no stale phase-2 entry comes back at the
// second.
TEST(MassConservation, FullLayoutAcrossArrivalPhaseChanges) {
  expect_mass_carried_in(Layout::arr, {2, 1, 2}, {1, 2}, {2, 1});
}

TEST(IntervalStep, SystemBeforeArrivalsIsRecordedInTheLastCycle) {
  ModelInstance inst = hand::make_instance(Layout::serabd, 3, 5, 3, {{1}, {2}, {2}});
  hand::spread_mass(inst, 1);
  CycleState cyc = hand::cycle_at_start();
  cyc.last_cycle = true;
  for (int t = 0; t < 3; ++t) {
    cyc.int_idx = t;
    if (t == 2) {
      gv_CFG_order_iat = 3;
      gv_CFG_order_abd = 1;
    }
    f_interval_step(inst, cyc);
    f_close_interval(inst, cyc);
  }
  const ModelResults& res = inst.results;
  // Arrivals first and no server change: the distribution the interval
  // before left.
  EXPECT_NEAR(res.sys_avg_pre_arr[1], res.sys_avg[0], 1e-13);
  EXPECT_GT(res.sys_avg_pre_arr[0], 0.0);
  // Arrivals last: after this interval's service and abandonments.
  EXPECT_LT(res.sys_avg_pre_arr[2], res.sys_avg[1] - 0.01);
  EXPECT_GT(res.abd_avg[2], 0.0);
}

TEST(IntervalStep, OutsideTheLastCycleNoStatisticIsGathered) {
  ModelInstance inst = hand::make_instance(Layout::serabd, 3, 5, 2, {{1}, {2}, {2}});
  hand::spread_mass(inst, 1);
  CycleState cyc = hand::cycle_at_start();
  cyc.last_cycle = false;
  f_interval_step(inst, cyc);
  EXPECT_EQ(inst.results.sys_avg_pre_arr[0], 0.0);
  EXPECT_EQ(inst.results.abd_avg[0], 0.0);
  EXPECT_EQ(cyc.reflections, 0.0);
}
