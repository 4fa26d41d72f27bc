// Cycle loop: console marks, the number of cycles for a fixed count and for
// the steady-cycle rule, and the runs that cannot go on.
#include "analyzer/model/cycle_loop.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/analyzer/model/cout_capture.h"
#include "tests/analyzer/model/hand_built_model.h"
#include "tests/support/child_process.h"

using hand::Layout;

namespace {

// Two intervals, both observed; multi-phase service and patience.
ModelInstance small_instance() {
  ModelInstance inst = hand::make_instance(Layout::serabd, 2, 4, 2, {{1}, {2}, {2}});
  inst.grid.obs_int_flag = {1, 1};
  inst.grid.n_obs_max = 2;
  inst.results.wait_prob.assign(3 * 4, 0.0);
  return inst;
}

// The steady-cycle measure of the two rows of q_avg, written out.
double measure(const ModelResults& res, int cur, int prev) {
  double U = 0.0, V = 0.0;
  for (double v : res.q_avg[cur]) U += v;
  for (double v : res.q_avg[prev]) V += v;
  return U > 0.0 ? std::fabs(1.0 - V / U) : V;
}

CycleState run(ModelInstance& inst, std::string* console = nullptr) {
  CoutCapture capture;
  CycleState cyc = f_run_model_cycles(inst, 3);
  if (console != nullptr) *console = capture.text();
  return cyc;
}

}  // namespace

TEST(CycleLoop, FixedCountOfOneMeasuresTheOnlyCycle) {
  ModelInstance inst = small_instance();
  gv_CFG_nrc = 1;
  std::string console;
  CycleState cyc = run(inst, &console);
  EXPECT_EQ(console, "COMPLETE\nMODEL CYCLES ANALYZED: [1]");
  EXPECT_EQ(cyc.cycle_count, 1);
  EXPECT_EQ(cyc.q_par_cur, 0);
  EXPECT_EQ(cyc.n_obs, 2);
  EXPECT_GT(inst.results.sys_avg[1], 0.0);
}

TEST(CycleLoop, FixedCountOfThreeMeasuresTheThirdCycleOnly) {
  ModelInstance inst = small_instance();
  gv_CFG_nrc = 3;
  std::string console;
  CycleState cyc = run(inst, &console);
  EXPECT_EQ(console, "COMPLETE\nMODEL CYCLES ANALYZED: [1][2][3]");
  EXPECT_EQ(cyc.cycle_count, 3);
  EXPECT_EQ(cyc.n_obs, 2);  // the look-ahead ran in one cycle
  EXPECT_EQ(cyc.q_par_cur, 0);
  EXPECT_EQ(cyc.per_iat, 0);
  EXPECT_EQ(cyc.int_idx, 0);
  EXPECT_TRUE(cyc.model_done);
  EXPECT_GT(cyc.reflections, 0.0);
}

TEST(CycleLoop, LooseToleranceMeasuresTheSecondCycle) {
  ModelInstance inst = small_instance();
  gv_CFG_nrc = 0;
  gv_CFG_precision_stat = 1.0;  // d = 1 after the first cycle passes
  CycleState cyc = run(inst);
  EXPECT_EQ(cyc.cycle_count, 2);
}

TEST(CycleLoop, QueueThatNeverFormsPassesAtOnce) {
  ModelInstance inst = small_instance();
  inst.counts.arr_cnt[0].assign(5, 0.0);
  inst.counts.arr_cnt[0][0] = 1.0;  // no arrivals
  gv_CFG_nrc = 0;
  gv_CFG_precision_stat = 0.0;
  CycleState cyc = run(inst);
  EXPECT_EQ(cyc.cycle_count, 2);
  EXPECT_EQ(inst.results.q_avg[0][0], 0.0);
}

// The steady run stops at c cycles: the test passes after cycle c - 1 and
// fails after cycle c - 2. The fixed-count runs of c - 1 and c - 2 cycles
// carry the same distribution, so their last two q_avg rows show it.
TEST(CycleLoop, SteadyRuleMeasuresTheCycleAfterTheFirstPassingTest) {
  const double tol = 1e-6;
  ModelInstance inst = small_instance();
  gv_CFG_nrc = 0;
  gv_CFG_precision_stat = tol;
  const int c = run(inst).cycle_count;
  ASSERT_GE(c, 4);
  for (int fixed : {c - 1, c - 2}) {
    ModelInstance again = small_instance();
    gv_CFG_nrc = fixed;
    CycleState cyc = run(again);
    const double d = measure(again.results, cyc.q_par_cur, cyc.q_par_prev);
    if (fixed == c - 1) {
      EXPECT_LE(d, tol);
    } else {
      EXPECT_GT(d, tol);
    }
  }
}

TEST(CycleLoop, StartsFromTheEmptySystemEachRun) {
  ModelInstance inst = small_instance();
  gv_CFG_nrc = 2;
  run(inst);
  std::vector<double> first = inst.results.q_avg[1];
  run(inst);
  EXPECT_EQ(inst.results.q_avg[1], first);
}

// A sum that is not a number fails U > 0 and an infinite U makes V / U
// vanish: in both rows, either must end the run.
TEST(SteadyCycleMeasure, NonFiniteMeasureEndsTheRun) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (int bad_row : {1, 0}) {
    for (double bad : {nan, inf}) {
      ChildResult r = run_in_child([bad, bad_row] {
        ModelResults res;
        res.q_avg[1 - bad_row] = {0.5, 0.5};
        res.q_avg[bad_row] = {bad, 0.5};
        f_steady_cycle_measure(res, 1, 0, 2, 8, 5);
      });
      EXPECT_EQ(r.status, 1);
      EXPECT_NE(r.out.find("\nThe steady-cycle test of instance 8 is not a finite number after cycle 5 (expected "
                           "queue summed over the cycle: "),
                std::string::npos)
          << r.out;
    }
  }
}

TEST(SteadyCycleMeasure, EmptyCurrentCycleUsesThePreviousSum) {
  ModelResults res;
  res.q_avg[0] = {0.25, 0.5};
  res.q_avg[1] = {0.0, 0.0};
  EXPECT_EQ(f_steady_cycle_measure(res, 1, 0, 2, 1, 1), 0.75);
}

TEST(CycleLoop, SteadyModeStopsAfterTenThousandCycles) {
  ChildResult r = run_in_child([] {
    ModelInstance inst = hand::make_instance(Layout::exp, 1, 1, 1);
    gv_CFG_nrc = 0;
    gv_CFG_precision_stat = -1.0;  // no measure can meet it
    f_run_model_cycles(inst, 21);
  });
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("[9999][10000]\nNo steady cycle was reached for instance 21 in 10000 cycles. A fixed "
                       "number of cycles can be set in CONFIG.DAT.\nPress any key to quit..."),
            std::string::npos);
  EXPECT_EQ(r.out.find("[10001]"), std::string::npos);
}

TEST(CycleLoop, LostMassEndsTheRunAtTheFirstInterval) {
  ChildResult r = run_in_child([] {
    // One unit surely arrives; the patience table carries nothing; no service.
    ModelInstance inst = small_instance();
    inst.counts.arr_cnt[0] = {0.0, 1.0, 0.0, 0.0, 0.0};
    inst.counts.abd_adv_ph1[0].reset(4);
    gv_CFG_order_ser = -1;
    f_run_model_cycles(inst, 9);
  });
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("MODEL CYCLES ANALYZED: \nThe model's probability mass cannot be renormalised (total 0) in "
                       "instance 9, cycle 1, interval 0."),
            std::string::npos)
      << r.out;
}

TEST(CycleLoop, ArrivalPeriodWithMoreThanTwoPhasesIsRefused) {
  ChildResult r = run_in_child([] {
    hand::Periods per;
    per.iat_phases = {2, 3};
    ModelInstance inst = hand::make_instance(Layout::arr, 1, 1, 2, per);
    f_run_model_cycles(inst, 6);
  });
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("Instance 6: arrival period 2 is fitted with 3 phases"), std::string::npos) << r.out;
}
