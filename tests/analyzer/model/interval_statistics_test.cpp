// Interval close: renormalisation to a total of 1, the expected queue every
// cycle, its variance and the expected number in system in the last cycle.
#include "analyzer/model/interval_statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/analyzer/model/hand_built_model.h"
#include "tests/support/child_process.h"

using hand::cur;
using hand::Layout;

namespace {

constexpr double kTight = 1e-15;

CycleState at_interval(int t, bool last) {
  CycleState cyc = hand::cycle_at_start();
  cyc.int_idx = t;
  cyc.last_cycle = last;
  return cyc;
}

}  // namespace

TEST(Renormalisation, TotalOfOneKeepsEveryValue) {
  ModelInstance inst = hand::make_instance(Layout::exp, 2, 3, 2);
  cur(inst, 0, 0, 0, 0, 0) = 0.5;
  cur(inst, 0, 1, 0, 2, 0) = 0.25;
  cur(inst, 0, 2, 0, 3, 0) = 0.25;
  f_close_interval(inst, at_interval(0, false));
  EXPECT_EQ(cur(inst, 0, 0, 0, 0, 0), 0.5);
  EXPECT_EQ(cur(inst, 0, 1, 0, 2, 0), 0.25);
  EXPECT_EQ(cur(inst, 0, 2, 0, 3, 0), 0.25);
}

TEST(Renormalisation, LostMassIsRestoredByOneCommonFactor) {
  ModelInstance inst = hand::make_instance(Layout::serabd, 2, 3, 2, {{1}, {2}, {2}});
  cur(inst, 0, 1, 1, 0, 2) = 0.2;
  cur(inst, 0, 0, 0, 3, 3) = 0.6;
  f_close_interval(inst, at_interval(1, false));
  EXPECT_NEAR(cur(inst, 0, 1, 1, 0, 2), 0.25, kTight);
  EXPECT_NEAR(cur(inst, 0, 0, 0, 3, 3), 0.75, kTight);
  EXPECT_NEAR(inst.results.q_avg[1][1], 0.25 * 2 + 0.75 * 6, 1e-14);
}

TEST(IntervalStatistics, AllMassOnThreeWaitingHasNoSpread) {
  ModelInstance inst = hand::make_instance(Layout::serabd, 2, 3, 2, {{1}, {2}, {2}});
  cur(inst, 0, 2, 0, 1, 2) = 0.5;
  cur(inst, 0, 1, 1, 3, 0) = 0.5;
  f_close_interval(inst, at_interval(0, true));
  EXPECT_EQ(inst.results.q_avg[1][0], 3.0);
  EXPECT_EQ(inst.results.q_var[0], 0.0);
  EXPECT_EQ(inst.results.sys_avg[0], 5.0);
}

TEST(IntervalStatistics, TwoEqualStatesGiveMeanOneVarianceOne) {
  ModelInstance inst = hand::make_instance(Layout::exp, 2, 3, 2);
  cur(inst, 0, 1, 0, 0, 0) = 0.5;
  cur(inst, 0, 1, 0, 2, 0) = 0.5;
  f_close_interval(inst, at_interval(1, true));
  EXPECT_EQ(inst.results.q_avg[1][1], 1.0);
  EXPECT_EQ(inst.results.q_var[1], 1.0);
  EXPECT_EQ(inst.results.sys_avg[1], 2.0);
}

TEST(IntervalStatistics, OnlyTheLastCycleRecordsSpreadAndSystem) {
  ModelInstance inst = hand::make_instance(Layout::exp, 2, 3, 2);
  cur(inst, 0, 1, 0, 0, 0) = 0.5;
  cur(inst, 0, 1, 0, 2, 0) = 0.5;
  CycleState cyc = at_interval(0, false);
  cyc.q_par_cur = 0;
  f_close_interval(inst, cyc);
  EXPECT_EQ(inst.results.q_avg[0][0], 1.0);
  EXPECT_EQ(inst.results.q_avg[1][0], 0.0);
  EXPECT_EQ(inst.results.q_var[0], 0.0);
  EXPECT_EQ(inst.results.sys_avg[0], 0.0);
}

TEST(IntervalStatistics, ExpectedInSystemIsTakenOverTheMassPresent) {
  ModelInstance inst = hand::make_instance(Layout::serabd, 2, 3, 2, {{1}, {2}, {2}});
  cur(inst, 0, 1, 1, 1, 0) = 0.3;  // 3 in system
  cur(inst, 0, 0, 0, 0, 0) = 0.1;  // empty
  EXPECT_NEAR(f_expected_in_system(inst.state, f_state_range(inst, 0)), 3.0 * 0.75, kTight);
  hand::cur(inst, 0, 0, 0, 0, 0) = 0.0;
  hand::cur(inst, 0, 1, 1, 1, 0) = 0.0;
  EXPECT_EQ(f_expected_in_system(inst.state, f_state_range(inst, 0)), 0.0);
}

TEST(Renormalisation, ZeroNegativeOrNonFiniteTotalEndsTheRunNamingWhere) {
  const double totals[] = {0.0, -0.5, std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity()};
  for (double total : totals) {
    ChildResult r = run_in_child([total] {
      ModelInstance inst = hand::make_instance(Layout::exp, 1, 2, 4);
      cur(inst, 0, 1, 0, 1, 0) = total;
      CycleState cyc = at_interval(3, false);
      cyc.inst_nr = 12;
      cyc.cycle_count = 6;
      f_close_interval(inst, cyc);
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("cannot be renormalised"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("instance 12, cycle 7, interval 3."), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Press any key to quit..."), std::string::npos);
  }
}
