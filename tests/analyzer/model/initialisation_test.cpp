// Tests of the whole initialisation of an instance: the tables it builds for
// each layout, what it prints, and the instances it refuses.
#include "analyzer/model/initialisation.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "analyzer/input/config_check.h"
#include "analyzer/input/config_reader.h"
#include "analyzer/input/instance_file.h"
#include "analyzer/model/process_fits.h"
#include "tests/analyzer/model/init_fixture.h"
#include "tests/support/child_process.h"

using namespace init_fixture;

namespace {

constexpr double kTight = 1e-14;

bool all_zero(const std::vector<double>& v) {
  for (double x : v) {
    if (x != 0.0) return false;
  }
  return true;
}

void expect_rows_sum_to_one(const TriangleRows& t, const char* name) {
  for (int m = 0; m <= t.M; ++m) {
    double s = 0.0;
    for (int c = 0; c <= m; ++c) s += t.at(m, c);
    EXPECT_NEAR(s, 1.0, kTight) << name << " m = " << m;
  }
}

void expect_blocks_sum_to_one(const SquareBlocks& t, const char* name) {
  for (int m = 0; m <= t.M; ++m) {
    double s = 0.0;
    for (int x = 0; x <= m; ++x) {
      for (int y = 0; y <= m; ++y) s += t.at(m, x, y);
    }
    EXPECT_NEAR(s, 1.0, kTight) << name << " m = " << m;
  }
}

// Two arrival periods (SCV 2, then 1), Coxian service, exponential patience,
// 3 then 5 servers over a cycle of 4.
void set_mixed_instance() {
  set_run_defaults();
  set_arrivals({{2.0, 0.5, 2.0}, {2.0, 0.4, 1.0}});
  set_service({{4.0, 1.5, 2.0}});
  set_patience({{4.0, 3.0, 1.0}});
  set_servers({{2.0, 3}, {2.0, 5}});
}

// Initialises the instance set up so far in a child, with standard input at
// end of file.
ChildResult initialise_in_child(int inst_nr) {
  return run_in_child([inst_nr] {
    ModelInstance inst;
    f_initialise_instance(inst, inst_nr);
  });
}

std::string refusal(int inst_nr, const std::string& what) {
  return prompted("Instance " + std::to_string(inst_nr) + ": " + what);
}

}  // namespace

TEST(Initialisation, MixedInstanceBuildsEveryTableOfTheFullLayout) {
  set_mixed_instance();
  ModelInstance inst;
  testing::internal::CaptureStdout();
  f_initialise_instance(inst, 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

  const IntervalGrid& g = inst.grid;
  EXPECT_EQ(gv_mxq, 20);
  EXPECT_EQ(g.n, 40);
  EXPECT_EQ(g.K, 20);
  EXPECT_EQ(g.n_obs_max, 4);
  EXPECT_EQ(g.mxs, 5);
  EXPECT_TRUE(inst.fits.layout_arr);
  EXPECT_FALSE(inst.fits.layout_exp || inst.fits.layout_serabd);
  EXPECT_EQ(gv_mxn_abd, 10);
  EXPECT_EQ(gv_mxn_ser, 5);

  const CountTables& c = inst.counts;
  ASSERT_EQ(c.arr_cnt.size(), 2u);
  EXPECT_EQ(c.arr_cnt_2ph[0].n, 2);
  EXPECT_EQ(c.arr_cnt_2ph[1].n, 1);
  for (const std::vector<double>& row : c.arr_cnt) {
    double sum = 0.0;
    for (double v : row) sum += v;
    EXPECT_NEAR(sum, 1.0, kTight);
  }
  // Period 1 arrives at rate 2.5: Poisson counts of mean 0.25, scaled over 0..20.
  for (int k = 0; k <= 5; ++k) {
    double expected = std::exp(-0.25) * std::pow(0.25, k) / std::tgamma(k + 1.0);
    EXPECT_NEAR(c.arr_cnt[1][static_cast<std::size_t>(k)], expected, kTight);
  }
  EXPECT_TRUE(all_zero(c.ser_cmp[0].v));
  expect_rows_sum_to_one(c.ser_cmp_ph2[0], "ser_cmp_ph2");
  expect_blocks_sum_to_one(c.ser_adv_ph1[0], "ser_adv_ph1");
  EXPECT_EQ(c.ser_cmp_ph2[0].M, 5);
  expect_rows_sum_to_one(c.abd_cnt[0], "abd_cnt");
  expect_rows_sum_to_one(c.abd_cnt_ph2[0], "abd_cnt_ph2");
  expect_blocks_sum_to_one(c.abd_adv_ph1[0], "abd_adv_ph1");
  EXPECT_EQ(c.abd_cnt[0].M, 20);
  // The exponential patience period also steps through its two-phase tables.
  EXPECT_EQ(c.abd_cnt_ph2[0].v, c.abd_cnt[0].v);

  const StateDist& s = inst.state;
  EXPECT_EQ(s.pairs, 21u);
  EXPECT_EQ(s.slice[0].size(), 2u * 21u * 21u * 21u);
  EXPECT_TRUE(all_zero(s.slice[0]) && all_zero(s.slice[1]));
  EXPECT_EQ(inst.results.wait_prob.size(), 5u * 21u);
  EXPECT_EQ(inst.results.q_avg[1].size(), 40u);
  EXPECT_EQ(inst.results.sys_avg_pre_arr.size(), 40u);

  ASSERT_EQ(inst.splits.q2s_split.size(), 1u);
  // Exponential patience: the queue head is phase 1 with share x / (x + y).
  EXPECT_NEAR(inst.splits.q2s_split[0].at(1, 1, 1, 1), 0.25, kTight);
  EXPECT_EQ(inst.splits.srv_drop_split.bound, 5);
}

TEST(Initialisation, ExponentialInstanceKeepsTheOnePhaseTablesOnly) {
  set_run_defaults();
  set_single_period_instance(4.0, 0.5, 1.0, 1.5, 1.0, 3.0, 1.0, 4);
  ModelInstance inst;
  f_initialise_instance(inst, 1);
  EXPECT_TRUE(inst.fits.layout_exp);
  EXPECT_TRUE(all_zero(inst.counts.ser_cmp_ph2[0].v));
  EXPECT_TRUE(all_zero(inst.counts.ser_adv_ph1[0].v));
  EXPECT_TRUE(all_zero(inst.counts.abd_cnt_ph2[0].v));
  EXPECT_TRUE(all_zero(inst.counts.abd_adv_ph1[0].v));
  expect_rows_sum_to_one(inst.counts.ser_cmp[0], "ser_cmp");
  expect_rows_sum_to_one(inst.counts.abd_cnt[0], "abd_cnt");
  EXPECT_TRUE(inst.splits.q2s_split.empty());
}

TEST(Initialisation, QueueBoundRuleFeedsEveryTable) {
  set_run_defaults();
  set_single_period_instance(10.0, 1.0, 2.0, 1.0, 1.0, 4.0, 2.0, 2);
  gv_CFG_mxq = 50;
  gv_CFG_mxq_precision = 0.01;
  ModelInstance inst;
  f_initialise_instance(inst, 1);
  EXPECT_EQ(gv_mxq, 14);
  EXPECT_EQ(inst.counts.arr_cnt[0].size(), 15u);
  EXPECT_EQ(inst.counts.abd_adv_ph1[0].M, 14);
  EXPECT_EQ(inst.state.mxq, 14);
  EXPECT_EQ(inst.splits.q2s_split[0].bound, 14);
}

// Mended: servers beyond the binomial table are refused before any read.
TEST(InitialisationRefusal, MoreServersThanTheBinomialOrder) {
  set_run_defaults();
  set_exact_binom(10);
  set_single_period_instance(4.0, 0.5, 1.0, 1.5, 1.0, 3.0, 1.0, 12);
  gv_CFG_mxq = 10;
  ChildResult r = initialise_in_child(7);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, refusal(7, "the largest number of servers (12) exceeds the order of the binomial table "
                              "BINOMDIST.DAT (10)."));
}

// The queue-bound floor of 5 above a binomial table of order 3 is refused only
// where the binomial split of patience events would read row 5.
TEST(InitialisationRefusal, QueueBoundAboveTheBinomialOrderOnlyWhereRead) {
  auto setup = [](double patience_scv, int mxn_suc_2PH) {
    set_run_defaults();
    set_exact_binom(3);
    set_single_period_instance(10.0, 1.0, 1.0, 1.0, 1.0, 4.0, patience_scv, 2);
    gv_CFG_mxq = 3;
    gv_CFG_mxq_precision = 0.5;
    gv_CFG_mxn_suc_2PH = mxn_suc_2PH;
  };
  auto run = [] {
    ModelInstance inst;
    f_initialise_instance(inst, 7);
    if (gv_mxq != 5) _exit(3);
  };
  setup(1.0, -1);
  ChildResult exponential = run_in_child(run);
  EXPECT_EQ(exponential.status, 0);
  EXPECT_EQ(exponential.out, "");

  setup(2.0, 10);
  ChildResult advancement = run_in_child(run);
  EXPECT_EQ(advancement.status, 0);
  EXPECT_EQ(advancement.out, "");

  setup(2.0, -1);
  ChildResult coxian = run_in_child(run);
  EXPECT_EQ(coxian.status, 1);
  EXPECT_EQ(coxian.out, refusal(7, "the abandonment count tables need binomial row 5 (gv_mxq 5, gv_CFG_mxn_suc "
                                   "10), beyond the order of the binomial table BINOMDIST.DAT (3)."));
}

// Mended: factorials beyond 170! are refused before any read.
TEST(InitialisationRefusal, CountsBeyondTheFactorialTable) {
  set_run_defaults();
  set_exact_binom(200);
  set_single_period_instance(4.0, 0.01, 1.0, 1.5, 1.0, 3.0, 1.0, 180);
  gv_CFG_mxn_suc = 200;
  ChildResult r = initialise_in_child(2);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, refusal(2, "the count tables need factorials up to 180! (gv_CFG_mxn_suc 200, groups of up to "
                              "180 units), beyond the factorial table (up to 170!)."));
}

// Mended: in the full layout an arrival table that lost a start phase ends
// the run after its warnings; elsewhere that table is not read.
TEST(InitialisationRefusal, InsufficientArrivalTableInTheFullLayout) {
  set_run_defaults();
  gv_CFG_mxq = 2;
  set_arrivals({{2.0, 10.0, 1.0}, {2.0, 0.05, 2.0}});
  set_service({{4.0, 1.5, 1.0}});
  set_patience({{4.0, 3.0, 1.0}});
  set_servers({{4.0, 3}});
  ChildResult r = initialise_in_child(4);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.rfind("\nInsufficient probability mass (mass = ", 0), 0u) << r.out;
  const std::string tail = refusal(
      4, "the arrival count table of arrival period 2 is insufficient (a start phase lost probability mass); "
         "gv_CFG_mxn_suc or the queue bound (gv_CFG_mxq, gv_CFG_mxq_precision) must grow.");
  ASSERT_GE(r.out.size(), tail.size());
  EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);
}

TEST(InitialisationRefusal, InsufficientOnePhaseArrivalTableOnlyWarns) {
  set_run_defaults();
  gv_CFG_mxq = 2;
  set_single_period_instance(4.0, 0.05, 1.0, 1.5, 1.0, 3.0, 2.0, 3);
  ChildResult r = initialise_in_child(4);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("\nInsufficient probability mass (mass = ", 0), 0u) << r.out;
  EXPECT_EQ(r.out.find("Instance"), std::string::npos);
}

// The example working directory's instances initialise silently.
TEST(Initialisation, ExampleInstancesInitialise) {
  std::filesystem::path dir = make_temp_dir("init_examples");
  std::filesystem::copy(example_dir(), dir, std::filesystem::copy_options::recursive);
  ChildResult r = run_in_child([dir] {
    std::filesystem::current_path(dir);
    f_set_constants();
    f_build_factorials();
    f_read_binom();
    f_read_config();
    f_check_config();
    for (int inst_nr = gv_CFG_fnr; inst_nr < gv_CFG_lnr; ++inst_nr) {
      f_read_instance(inst_nr);
      ModelInstance inst;
      f_initialise_instance(inst, inst_nr);
    }
  });
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  std::filesystem::remove_all(dir);
}
