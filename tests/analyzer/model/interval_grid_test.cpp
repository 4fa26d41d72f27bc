// Tests of the working queue bound (M/M/s tail rule), the interval sizes, the
// Delta check and the per-interval calendar.
#include "analyzer/model/interval_grid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/analyzer/model/init_fixture.h"
#include "tests/support/child_process.h"

using namespace init_fixture;

namespace {

constexpr double kTight = 1e-15;

// The M/M/2 queue of arrival and service mean 1.0 over a cycle of 10.
void set_mm2(double iat_scv, double ser_scv) {
  set_run_defaults();
  set_single_period_instance(10.0, 1.0, iat_scv, 1.0, ser_scv, 1.0, 1.0, 2);
}

std::vector<int> flagged(const std::vector<unsigned char>& flags) {
  std::vector<int> out;
  for (std::size_t k = 0; k < flags.size(); ++k) {
    if (flags[k]) out.push_back(static_cast<int>(k));
  }
  return out;
}

}  // namespace

TEST(WorkingQueueBound, MinusOneKeepsTheConfiguredBound) {
  set_mm2(1.0, 1.0);
  std::vector<double> mms;
  EXPECT_EQ(f_working_queue_bound(mms, 50, -1.0), 50);
  EXPECT_EQ(mms.size(), 51u);
}

TEST(WorkingQueueBound, TwoServerQueueFollowsTheTailAndTheVariability) {
  std::vector<double> mms;
  set_mm2(1.0, 1.0);
  EXPECT_EQ(f_working_queue_bound(mms, 50, 0.01), 7);
  // rho = 1/2: p0 = p1 = 1/3, then halving.
  const double expected[] = {1.0 / 3, 1.0 / 3, 1.0 / 6, 1.0 / 12, 1.0 / 24};
  for (int n = 0; n < 5; ++n) EXPECT_NEAR(mms[static_cast<std::size_t>(n)], expected[n], kTight);
  set_mm2(2.0, 1.0);
  EXPECT_EQ(f_working_queue_bound(mms, 50, 0.01), 14);
  set_mm2(0.25, 0.25);
  EXPECT_EQ(f_working_queue_bound(mms, 50, 0.01), 5);
}

TEST(WorkingQueueBound, SmallConfiguredBoundAndTheFloorOfFive) {
  std::vector<double> mms;
  set_mm2(1.0, 1.0);
  EXPECT_EQ(f_working_queue_bound(mms, 3, 0.01), 3);
  EXPECT_EQ(f_working_queue_bound(mms, 3, 0.5), 5);
}

TEST(WorkingQueueBound, ZeroServerPeriodCountsAsOneServer) {
  // M/M/1 at rho = 1/2: the tail beyond n is 2^-(n+1), first below 0.01 at 6.
  set_run_defaults();
  set_arrivals({{10.0, 2.0, 1.0}});
  set_service({{10.0, 1.0, 1.0}});
  set_patience({{10.0, 1.0, 1.0}});
  set_servers({{5.0, 0}, {5.0, 2}});
  std::vector<double> mms;
  EXPECT_EQ(f_working_queue_bound(mms, 50, 0.01), 6);
  IntervalGrid grid;
  f_build_interval_grid(grid);
  EXPECT_EQ(grid.mxs, 2);
}

// More servers than the configured bound: p[0..s-1] must fit (mended sizing).
TEST(WorkingQueueBound, ManyServersAboveTheConfiguredBoundFitTheArray) {
  set_run_defaults();
  set_single_period_instance(10.0, 0.2, 1.0, 1.0, 1.0, 1.0, 1.0, 10);
  std::vector<double> mms;
  int bound = f_working_queue_bound(mms, 3, 0.01);
  ASSERT_GE(mms.size(), 10u);
  // Independent M/M/10 at lam = 5, mu = 1: the probabilities p[0..9] and the
  // tail decide; no n <= 3 leaves less than 0.01, so the bound stays 3.
  double terms[10];
  double sum = 0.0;
  terms[0] = 1.0;
  for (int n = 1; n < 10; ++n) terms[n] = terms[n - 1] * 5.0 / n;
  double rho = 0.5;
  for (int n = 0; n < 10; ++n) sum += terms[n];
  sum += terms[9] * rho / (1 - rho);
  for (int n = 0; n < 10; ++n) EXPECT_NEAR(mms[static_cast<std::size_t>(n)], terms[n] / sum, 1e-14);
  EXPECT_EQ(bound, 3);
}

TEST(WorkingQueueBound, UnstableQueueFallsBackToTheConfiguredBound) {
  std::vector<double> mms;
  set_run_defaults();
  set_single_period_instance(10.0, 0.5, 1.0, 1.0, 1.0, 1.0, 1.0, 2);  // rho = 1
  EXPECT_EQ(f_working_queue_bound(mms, 30, 0.01), 30);
  set_single_period_instance(10.0, 0.25, 1.0, 1.0, 1.0, 1.0, 1.0, 2);  // rho = 2
  EXPECT_EQ(f_working_queue_bound(mms, 30, 0.01), 30);
}

TEST(IntervalLength, PlainMeanOfServiceMeans) {
  set_run_defaults();
  gv_CFG_Delta = 1;
  gv_CFG_Delta_pct = 50.0;
  set_service({{8.0, 1.0, 1.0}, {2.0, 3.0, 1.0}});
  EXPECT_EQ(f_interval_length(), 2.0);
  gv_CFG_Delta = 0;
  gv_CFG_Delta_abs = 0.25;
  EXPECT_EQ(f_interval_length(), 0.25);
}

TEST(IntervalGrid, SizesFromCycleLengthAndDelta) {
  set_run_defaults();
  set_single_period_instance(10.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 2);
  gv_CFG_Delta_abs = 3.0;
  gv_CFG_mxt = 0.0;
  IntervalGrid grid;
  f_build_interval_grid(grid);
  EXPECT_EQ(grid.n_int, 4.0);
  EXPECT_EQ(grid.n, 4);
  EXPECT_EQ(grid.mxw, 0.0);
  EXPECT_EQ(grid.K, 0);
  EXPECT_EQ(gv_mxq, 20);

  gv_CFG_Delta_abs = 1.0;
  gv_CFG_mxt = 2.5;
  f_build_interval_grid(grid);
  EXPECT_EQ(grid.n, 10);
  EXPECT_EQ(grid.K, 3);
}

TEST(IntervalGrid, ObservationIntervals) {
  set_run_defaults();
  set_single_period_instance(10.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 2);
  gv_CFG_Delta_abs = 1.0;
  IntervalGrid grid;

  gv_CFG_obs_int = 3.0;
  f_build_interval_grid(grid);
  EXPECT_EQ(flagged(grid.obs_int_flag), (std::vector<int>{0, 3, 6, 9}));
  EXPECT_EQ(grid.n_obs_max, 4);

  gv_CFG_obs_int = 0.5;  // shorter than Delta: every interval
  f_build_interval_grid(grid);
  EXPECT_EQ(flagged(grid.obs_int_flag).size(), 10u);
  EXPECT_EQ(grid.n_obs_max, 10);

  gv_CFG_obs_int = 25.0;  // longer than the cycle: interval 0 only
  f_build_interval_grid(grid);
  EXPECT_EQ(flagged(grid.obs_int_flag), (std::vector<int>{0}));
  EXPECT_EQ(grid.n_obs_max, 1);
}

// Mended: an observation interval of 0.0, or one so small that the count of
// observation moments leaves the int range, makes every interval one.
TEST(IntervalGrid, ZeroOrTinyObservationIntervalObservesEveryInterval) {
  set_run_defaults();
  set_single_period_instance(10.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 2);
  gv_CFG_Delta_abs = 1.0;
  IntervalGrid grid;
  for (double obs : {0.0, 1e-300}) {
    gv_CFG_obs_int = obs;
    f_build_interval_grid(grid);
    EXPECT_EQ(flagged(grid.obs_int_flag).size(), 10u) << obs;
    EXPECT_EQ(grid.n_obs_max, 10) << obs;
  }
}

TEST(IntervalCalendar, PeriodChangesAtTheSamplePoint) {
  set_run_defaults();
  gv_CFG_Delta_abs = 1.0;
  set_arrivals({{4.0, 1.0, 1.0}, {6.0, 2.0, 1.0}});
  set_service({{10.0, 1.0, 1.0}});
  set_patience({{10.0, 1.0, 1.0}});
  set_servers({{5.0, 3}, {5.0, 7}});
  IntervalGrid grid;
  f_build_interval_grid(grid);
  // Sample points 1.1, 2.1, ...: 4.1 is the first at or past 4.
  EXPECT_EQ(flagged(grid.chg_iat), (std::vector<int>{0, 4}));
  EXPECT_TRUE(flagged(grid.chg_ser).empty());
  EXPECT_TRUE(flagged(grid.chg_abd).empty());
  EXPECT_EQ(grid.srv_int, (std::vector<int>{3, 3, 3, 3, 3, 7, 7, 7, 7, 7}));
  EXPECT_EQ(grid.srv_chg, (std::vector<int>{-4, 0, 0, 0, 0, 4, 0, 0, 0, 0}));

  // A last period equal to the first in mean, SCV and kappa: no change at 0.
  set_arrivals({{4.0, 1.0, 1.0}, {6.0, 1.0, 1.0}});
  f_build_interval_grid(grid);
  EXPECT_EQ(flagged(grid.chg_iat), (std::vector<int>{4}));
}

// Mended: a sample point past the end of the last period keeps the last
// period and reports no change (T = 10.05, Delta = 1: the last point is
// 10 + 1/11).
TEST(IntervalCalendar, SamplePointPastTheLastPeriodKeepsIt) {
  set_run_defaults();
  gv_CFG_Delta_abs = 1.0;
  set_arrivals({{5.0, 1.0, 1.0}, {5.05, 2.0, 1.0}});
  set_service({{10.05, 1.0, 1.0}});
  set_patience({{10.05, 1.0, 1.0}});
  set_servers({{5.0, 2}, {5.05, 4}});
  IntervalGrid grid;
  f_build_interval_grid(grid);
  ASSERT_EQ(grid.n, 11);
  EXPECT_EQ(flagged(grid.chg_iat), (std::vector<int>{0, 5}));
  EXPECT_TRUE(flagged(grid.chg_ser).empty());
  EXPECT_TRUE(flagged(grid.chg_abd).empty());
  EXPECT_EQ(grid.srv_int[10], 4);
  EXPECT_EQ(grid.srv_chg[10], 0);
  EXPECT_EQ(grid.srv_chg[5], 2);
}

TEST(DeltaCheck, PeriodExactlyDeltaLongPasses) {
  set_run_defaults();
  gv_CFG_Delta_abs = 2.0;
  set_arrivals({{2.0, 1.0, 1.0}, {8.0, 1.0, 1.0}});
  set_service({{10.0, 1.0, 1.0}});
  set_patience({{10.0, 1.0, 1.0}});
  set_servers({{10.0, 1}});
  ChildResult r = run_in_child([] {
    IntervalGrid grid;
    f_build_interval_grid(grid);
  });
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
}

TEST(DeltaCheck, DeltaLongerThanAnyPeriodEndsTheRun) {
  set_run_defaults();
  gv_CFG_Delta_abs = 2.0;
  set_single_period_instance(10.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1);
  // A short period in each block in turn.
  for (int block = 0; block < 4; ++block) {
    ChildResult r = run_in_child([block] {
      if (block == 0) set_arrivals({{1.5, 1.0, 1.0}, {8.5, 1.0, 1.0}});
      if (block == 1) set_service({{1.5, 1.0, 1.0}, {8.5, 1.0, 1.0}});
      if (block == 2) set_patience({{1.5, 1.0, 1.0}, {8.5, 1.0, 1.0}});
      if (block == 3) set_servers({{8.5, 1}, {1.5, 1}});
      IntervalGrid grid;
      f_build_interval_grid(grid);
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, 1) << block;
    EXPECT_EQ(r.out, "\nDelta is set too large. Press any key to quit.") << block;
  }
}
