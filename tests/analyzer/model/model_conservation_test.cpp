// Mass carried by the interval step on instances built by the model's own
// initialisation: where no table cap binds, every interval ends with a total
// of 1 before its renormalisation, in all three layouts.
#include <gtest/gtest.h>

#include <sstream>

#include "analyzer/model/cycle_loop.h"
#include "analyzer/model/initialisation.h"
#include "analyzer/model/interval_statistics.h"
#include "analyzer/model/interval_step.h"
#include "analyzer/model/queue_to_service.h"
#include "analyzer/model/state_pass.h"
#include "tests/analyzer/model/cout_capture.h"
#include "tests/analyzer/model/init_fixture.h"

using init_fixture::Period;
using init_fixture::ServerPeriod;

namespace {

constexpr double kMass = 1e-12;

// A cycle of 6 time units in intervals of 0.25, servers 2, 3, 1 and 3 in
// turn, a queue bound of 10 and caps above every group size.
void set_instance(const std::vector<Period>& iat, const std::vector<Period>& ser, const std::vector<Period>& abd) {
  init_fixture::set_run_defaults();
  gv_CFG_Delta_abs = 0.25;
  gv_CFG_mxq = 10;
  gv_CFG_mxn_suc = 40;
  gv_CFG_order_iat = 1;
  gv_CFG_order_ser = 2;
  gv_CFG_order_abd = 3;
  init_fixture::set_arrivals(iat);
  init_fixture::set_service(ser);
  init_fixture::set_patience(abd);
  init_fixture::set_servers({{1.5, 2}, {1.5, 3}, {1.5, 1}, {1.5, 3}});
}

double used_total(const ModelInstance& inst, int per_iat) {
  const StateDist& st = inst.state;
  const StateRange rg = f_state_range(inst, per_iat);
  double s = 0.0;
  for (int a = 0; a < rg.n_a; ++a)
    for (int j = 0; j <= st.mxs; ++j)
      for (int l = 0; l <= rg.l_max(j); ++l)
        for (int q = 0; q <= st.mxq; ++q)
          for (int r = 0; r < rg.r_len; ++r) s += st.slice[st.slice_cur][st.idx(a, j, l, q, r)];
  return s;
}

// Three cycles from the empty system, the last one measured.
void expect_mass_carried(ModelInstance& inst) {
  StateDist& st = inst.state;
  st.slice_src = 0;
  st.slice_cur = 1;
  st.slice[1][st.idx(0, 0, 0, 0, 0)] = 1.0;
  CycleState cyc;
  for (int c = 0; c < 3; ++c) {
    cyc.per_iat = static_cast<int>(inst.fits.iat.size()) - 1;
    cyc.per_ser = static_cast<int>(inst.fits.ser.size()) - 1;
    cyc.per_abd = static_cast<int>(inst.fits.abd.size()) - 1;
    cyc.last_cycle = c == 2;
    for (int t = 0; t < inst.grid.n; ++t) {
      cyc.int_idx = t;
      f_interval_step(inst, cyc);
      ASSERT_NEAR(used_total(inst, cyc.per_iat), 1.0, kMass) << "cycle " << c + 1 << " interval " << t;
      f_close_interval(inst, cyc);
    }
  }
  // The queue did reach its bound, so the boundary rules carried mass too.
  EXPECT_GT(cyc.reflections, 0.0);
}

ModelInstance initialised() {
  ModelInstance inst;
  CoutCapture quiet;
  f_initialise_instance(inst, 1);
  f_build_queue_split_rows(inst.splits, inst.state.mxs);  // as the cycle loop does first
  return inst;
}

}  // namespace

TEST(ModelMassConservation, OnePhaseLayout) {
  set_instance({{3, 0.4, 1}, {3, 0.25, 1}}, {{2, 1.0, 1}, {4, 0.8, 1}}, {{6, 2.0, 1}});
  ModelInstance inst = initialised();
  ASSERT_TRUE(inst.fits.layout_exp);
  expect_mass_carried(inst);
}

TEST(ModelMassConservation, ServiceAndPatienceLayoutWithAnScvOnePeriod) {
  set_instance({{6, 0.3, 1}}, {{2, 1.0, 2}, {4, 0.8, 1}}, {{3, 2.0, 0.5}, {3, 1.5, 1}});
  ModelInstance inst = initialised();
  ASSERT_TRUE(inst.fits.layout_serabd);
  expect_mass_carried(inst);
}

// Arrival periods two-phase, one-phase, two-phase: the change to one phase
// folds arrival phase 2 into phase 1, the change back starts phase 2 empty.
TEST(ModelMassConservation, FullLayoutAcrossArrivalPhaseChanges) {
  set_instance({{2, 0.35, 2}, {2, 0.3, 1}, {2, 0.25, 0.5}}, {{3, 1.0, 1}, {3, 0.8, 2}}, {{6, 2.0, 0.5}});
  ModelInstance inst = initialised();
  ASSERT_TRUE(inst.fits.layout_arr);
  expect_mass_carried(inst);
}

TEST(ModelMassConservation, FullLayoutRunsThroughTheCycleLoop) {
  set_instance({{2, 0.35, 2}, {2, 0.3, 1}, {2, 0.25, 0.5}}, {{3, 1.0, 1}, {3, 0.8, 2}}, {{6, 2.0, 0.5}});
  gv_CFG_nrc = 0;
  gv_CFG_precision_stat = 1e-8;
  ModelInstance inst = initialised();
  CoutCapture console;
  CycleState cyc = f_run_model_cycles(inst, 1);
  EXPECT_GE(cyc.cycle_count, 3);
  EXPECT_EQ(cyc.n_obs, 6);
  const ModelResults& res = inst.results;
  for (int t = 0; t < inst.grid.n; ++t) {
    EXPECT_GT(res.sys_avg_pre_arr[static_cast<std::size_t>(t)], 0.0);
    EXPECT_GE(res.q_var[static_cast<std::size_t>(t)], 0.0);
  }
}
