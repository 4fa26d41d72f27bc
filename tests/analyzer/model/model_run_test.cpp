// The model over whole instances: the interval grid and its calendar, the
// instances the initialisation refuses, the cycle loop and its endings, mass
// conservation in every layout, and convergence to the exact M/M/s+M queue.
#include <omp.h>

#include <chrono>
#include <new>
#include <thread>

#include "analyzer/model/background_sums.h"
#include "tests/support/instances.h"

namespace {

constexpr double kTight = 1e-14;
constexpr double kMass = 1e-12;

std::vector<int> flagged(const std::vector<unsigned char>& flags) {
  std::vector<int> out;
  for (std::size_t k = 0; k < flags.size(); ++k)
    if (flags[k]) out.push_back(static_cast<int>(k));
  return out;
}

// An M/M/s queue over a cycle of 10 with the arrival mean and SCVs given.
void set_mms(double iat_mean, double iat_scv, double ser_scv, int s) {
  set_run_defaults();
  set_single_period_instance(10.0, iat_mean, iat_scv, 1.0, ser_scv, 1.0, 1.0, s);
}

ModelInstance initialised(int inst_nr = 1) {
  ModelInstance inst;
  CoutCapture quiet;
  f_initialise_instance(inst, inst_nr);
  return inst;
}

}  // namespace

// The smallest n whose M/M/s tail beyond n is below the precision, grown by
// the arrival and service variability; never below 5 or above the bound.
TEST(WorkingQueueBound, FollowsTheMMsTailAndTheVariability) {
  struct Case {
    double iat_mean, iat_scv, ser_scv;
    int s, cfg_mxq;
    double precision;
    int bound;
  };
  for (Case c : {Case{1.0, 1.0, 1.0, 2, 50, -1.0, 50}, Case{1.0, 1.0, 1.0, 2, 50, 0.01, 7}, Case{1.0, 2.0, 1.0, 2, 50, 0.01, 14},
                 Case{1.0, 0.25, 0.25, 2, 50, 0.01, 5}, Case{1.0, 1.0, 1.0, 2, 3, 0.01, 3}, Case{1.0, 1.0, 1.0, 2, 3, 0.5, 5},
                 Case{0.5, 1.0, 1.0, 2, 30, 0.01, 30}, Case{0.25, 1.0, 1.0, 2, 30, 0.01, 30}, Case{0.2, 1.0, 1.0, 10, 3, 0.01, 3}}) {
    set_mms(c.iat_mean, c.iat_scv, c.ser_scv, c.s);
    std::vector<double> mms;
    EXPECT_EQ(f_working_queue_bound(mms, c.cfg_mxq, c.precision), c.bound) << c.iat_mean << " " << c.iat_scv << " " << c.s;
    // Mended: more servers than the bound still fit p[0..s-1]. Check the
    // birth-death probabilities of a stable queue.
    const double rho = 1.0 / (c.iat_mean * c.s);
    if (c.precision < 0.0 || rho >= 1.0 || c.iat_scv != 1.0 || c.ser_scv != 1.0) continue;
    const BirthDeath bd(1.0 / c.iat_mean, 1.0, 0.0, c.s, 400);  // a tail of rho^400 left out
    ASSERT_GE(mms.size(), static_cast<std::size_t>(c.s));
    for (int n = 0; n < c.s; ++n) EXPECT_NEAR(mms[n], bd.p[n], kTight) << n;
  }
}

TEST(IntervalGrid, SizesObservationIntervalsAndCalendar) {
  set_run_defaults();
  gv_CFG_Delta_abs = 1.0;
  gv_CFG_mxt = 2.5;
  set_instance({{4.0, 1.0, 1.0}, {6.0, 2.0, 1.0}}, {{10.0, 1.0, 1.0}}, {{10.0, 1.0, 1.0}}, {{5.0, 3}, {5.0, 7}});
  IntervalGrid grid;
  f_build_interval_grid(grid, 1);
  EXPECT_EQ(std::vector<int>({grid.n, grid.K, grid.mxs}), std::vector<int>({10, 3, 7}));
  // Sample points 1.1, 2.1, ...: 4.1 is the first at or past 4.
  EXPECT_EQ(flagged(grid.chg_iat), (std::vector<int>{0, 4}));
  EXPECT_EQ(grid.srv_chg, (std::vector<int>{-4, 0, 0, 0, 0, 4, 0, 0, 0, 0}));
  // Mended: an observation interval of 0 or one so small that the count of
  // moments leaves the int range observes every interval.
  for (const auto& [obs, want] : std::vector<std::pair<double, std::vector<int>>>{
           {3.0, {0, 3, 6, 9}}, {25.0, {0}}, {0.5, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}}, {0.0, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
           {1e-300, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}}}) {
    gv_CFG_obs_int = obs;
    f_build_interval_grid(grid, 1);
    EXPECT_EQ(flagged(grid.obs_int_flag), want) << obs;
    EXPECT_EQ(grid.n_obs_max, static_cast<int>(want.size())) << obs;
  }
  // Mended: a sample point past the end of the last period keeps the last
  // period and reports no change (T = 10.05, Delta = 1).
  set_instance({{5.0, 1.0, 1.0}, {5.05, 2.0, 1.0}}, {{10.05, 1.0, 1.0}}, {{10.05, 1.0, 1.0}}, {{5.0, 2}, {5.05, 4}});
  f_build_interval_grid(grid, 1);
  ASSERT_EQ(grid.n, 11);
  EXPECT_EQ(flagged(grid.chg_iat), (std::vector<int>{0, 5}));
  EXPECT_TRUE(flagged(grid.chg_abd).empty());
  EXPECT_EQ(std::vector<int>({grid.srv_int[10], grid.srv_chg[10], grid.srv_chg[5]}), std::vector<int>({4, 0, 2}));
}

// Instances the initialisation refuses before any table is read.
TEST(Initialisation, RefusesTablesBeyondTheBinomialOrFactorialTables) {
  struct Case {
    int binom_order, cfg_mxq, mxn_suc, mxn_suc_2PH, servers;
    double iat_mean, abd_scv, mxq_precision;
    std::string message;  // empty: initialises silently
  };
  const std::string binom = "beyond the order of the binomial table BINOMDIST.DAT";
  const std::vector<Case> cases{
      // Mended: servers beyond the binomial table.
      {10, 10, 10, -1, 12, 0.5, 1.0, -1.0, "the largest number of servers (12) exceeds the order of the binomial table BINOMDIST.DAT (10)."},
      // The floor of 5 above a table of order 3 matters only where the
      // binomial split of patience events reads row 5.
      {3, 3, 10, -1, 2, 1.0, 1.0, 0.5, ""},
      {3, 3, 10, 10, 2, 1.0, 2.0, 0.5, ""},
      {3, 3, 10, -1, 2, 1.0, 2.0, 0.5, "the abandonment count tables need binomial row 5 (gv_mxq 5, gv_CFG_mxn_suc 10), " + binom + " (3)."},
      // Mended: factorials beyond 170!.
      {200, 20, 200, -1, 180, 0.01, 1.0, -1.0,
       "the count tables need factorials up to 180! (gv_CFG_mxn_suc 200, groups of up to 180 units), beyond the factorial table (up to 170!)."},
  };
  for (const Case& c : cases) {
    ChildResult r = run_in_child([&] {
      set_run_defaults();
      set_exact_binom(c.binom_order);
      set_single_period_instance(10.0, c.iat_mean, 1.0, 1.0, 1.0, 4.0, c.abd_scv, c.servers);
      gv_CFG_mxq = c.cfg_mxq, gv_CFG_mxq_precision = c.mxq_precision;
      gv_CFG_mxn_suc = c.mxn_suc, gv_CFG_mxn_suc_2PH = c.mxn_suc_2PH;
      ModelInstance inst;
      f_initialise_instance(inst, 7);
    });
    EXPECT_EQ(r.status, c.message.empty() ? 0 : 1) << c.message;
    EXPECT_EQ(r.out, c.message.empty() ? "" : prompted("Instance 7: " + c.message));
  }
}

// Mended: in the full layout an arrival table that lost a start phase ends
// the run after its warnings; in the one-phase layout it only warns.
TEST(Initialisation, InsufficientArrivalTableEndsTheRunOnlyInTheFullLayout) {
  for (bool full : {true, false}) {
    ChildResult r = run_in_child([full] {
      set_run_defaults();
      gv_CFG_mxq = 2;
      if (full)
        set_instance({{2.0, 10.0, 1.0}, {2.0, 0.05, 2.0}}, {{4.0, 1.5, 1.0}}, {{4.0, 3.0, 1.0}}, {{4.0, 3}});
      else
        set_single_period_instance(4.0, 0.05, 1.0, 1.5, 1.0, 3.0, 2.0, 3);
      ModelInstance inst;
      f_initialise_instance(inst, 4);
    });
    EXPECT_EQ(r.status, full ? 1 : 0);
    EXPECT_EQ(r.out.rfind("\nInsufficient probability mass (mass = ", 0), 0u) << r.out;
    const std::string tail = prompted(
        "Instance 4: the arrival count table of arrival period 2 is insufficient (a start phase lost probability mass); "
        "gv_CFG_mxn_suc or the queue bound (gv_CFG_mxq, gv_CFG_mxq_precision) must grow.");
    EXPECT_EQ(r.out.size() > tail.size() && r.out.substr(r.out.size() - tail.size()) == tail, full) << r.out;
  }
}

// Three cycles from the empty system on instances of the initialisation: a
// cycle of 6 in intervals of 0.25, servers 2, 3, 1 and 3, a queue bound of 10
// that the queue reaches, caps above every group. Where no cap binds, every
// interval ends with a total of 1 before its renormalisation.
TEST(ModelMassConservation, EveryLayoutCarriesAllMassAcrossPeriodChanges) {
  struct Case {
    std::vector<Period> iat, ser, abd;
  };
  const std::vector<Case> cases{
      {{{3, 0.4, 1}, {3, 0.25, 1}}, {{2, 1.0, 1}, {4, 0.8, 1}}, {{6, 2.0, 1}}},
      {{{6, 0.3, 1}}, {{2, 1.0, 2}, {4, 0.8, 1}}, {{3, 2.0, 0.5}, {3, 1.5, 1}}},
      // Two-phase, one-phase, two-phase arrivals: phase 2 is folded in, then
      // starts empty again.
      {{{2, 0.35, 2}, {2, 0.3, 1}, {2, 0.25, 0.5}}, {{3, 1.0, 1}, {3, 0.8, 2}}, {{6, 2.0, 0.5}}}};
  for (const Case& c : cases) {
    set_run_defaults();
    gv_CFG_Delta_abs = 0.25;
    gv_CFG_mxq = 10;
    gv_CFG_mxn_suc = 40;
    set_instance(c.iat, c.ser, c.abd, {{1.5, 2}, {1.5, 3}, {1.5, 1}, {1.5, 3}});
    ModelInstance inst = initialised();
    f_build_queue_split_rows(inst.splits, inst.state.mxs);  // as the cycle loop does first
    StateDist& st = inst.state;
    st.slice_src = 0;
    st.slice_cur = 1;
    st.slice[1][st.idx(0, 0, 0, 0, 0)] = 1.0;
    CycleState cyc;
    for (int cycle = 0; cycle < 3; ++cycle) {
      cyc.per_iat = static_cast<int>(inst.fits.iat.size()) - 1;
      cyc.per_ser = static_cast<int>(inst.fits.ser.size()) - 1;
      cyc.per_abd = static_cast<int>(inst.fits.abd.size()) - 1;
      cyc.last_cycle = cycle == 2;
      for (int t = 0; t < inst.grid.n; ++t) {
        cyc.int_idx = t;
        f_interval_step(inst, cyc);
        const StateRange rg = f_state_range(inst, cyc.per_iat);
        double total = 0.0;
        for (int a = 0; a < rg.n_a; ++a)
          for (int j = 0; j <= st.mxs; ++j)
            for (int l = 0; l <= rg.l_max(j); ++l)
              for (int q = 0; q <= st.mxq; ++q)
                for (int r = 0; r < rg.r_len; ++r) total += st.slice[st.slice_cur][st.idx(a, j, l, q, r)];
        ASSERT_NEAR(total, 1.0, kMass) << "cycle " << cycle + 1 << " interval " << t;
        f_close_interval(inst, cyc);
      }
    }
    EXPECT_GT(cyc.reflections, 0.0);
  }
}

namespace {

// Two intervals, both observed; multi-phase service and patience.
ModelInstance small_instance() {
  ModelInstance inst = hand::make_instance(hand::Layout::serabd, 2, 4, 2, {{1}, {2}, {2}});
  inst.grid.obs_int_flag = {1, 1};
  inst.grid.n_obs_max = 2;
  inst.results.wait_prob.assign(3 * 4, 0.0);
  return inst;
}

CycleState run_cycles(ModelInstance& inst) {
  CoutCapture quiet;
  return f_run_model_cycles(inst, 3);
}

}  // namespace

// The steady run stops at c cycles: the measure passes after cycle c - 1 and
// fails after c - 2. A loose tolerance stops after two cycles.
TEST(CycleLoop, SteadyRuleMeasuresTheCycleAfterTheFirstPassingTest) {
  const double tol = 1e-6;
  ModelInstance inst = small_instance();
  gv_CFG_nrc = 0;
  gv_CFG_precision_stat = tol;
  const int c = run_cycles(inst).cycle_count;
  ASSERT_GE(c, 4);
  for (int fixed : {c - 1, c - 2}) {
    ModelInstance again = small_instance();
    gv_CFG_nrc = fixed;
    CycleState cyc = run_cycles(again);
    double U = 0.0, V = 0.0;
    for (double v : again.results.q_avg[cyc.q_par_cur]) U += v;
    for (double v : again.results.q_avg[cyc.q_par_prev]) V += v;
    EXPECT_EQ(std::fabs(1.0 - V / U) <= tol, fixed == c - 1) << fixed;
  }
  gv_CFG_nrc = 0;
  gv_CFG_precision_stat = 1.0;
  EXPECT_EQ(run_cycles(inst).cycle_count, 2);
}

// Mended: a sum that is not a number fails U > 0 and an infinite U makes V / U
// vanish; in either row, either must end the run.
TEST(CycleLoop, NonFiniteSteadyMeasureEndsTheRun) {
  for (int bad_row : {1, 0})
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
      ChildResult r = run_in_child([bad, bad_row] {
        ModelResults res;
        res.q_avg[1 - bad_row] = {0.5, 0.5};
        res.q_avg[bad_row] = {bad, 0.5};
        f_steady_cycle_measure(res, 1, 0, 2, 8, 5);
      });
      EXPECT_EQ(r.status, 1);
      EXPECT_EQ(r.out.rfind("\nThe steady-cycle test of instance 8 is not a finite number after cycle 5", 0), 0u) << r.out;
    }
}

TEST(CycleLoop, RunsThatCannotGoOnEndWithTheirMessage) {
  const ChildResult endless = run_in_child([] {
    ModelInstance inst = hand::make_instance(hand::Layout::exp, 1, 1, 1);
    gv_CFG_nrc = 0;
    gv_CFG_precision_stat = -1.0;  // no measure can meet it
    f_run_model_cycles(inst, 21);
  });
  EXPECT_EQ(endless.status, 1);
  EXPECT_EQ(endless.out.substr(endless.out.rfind("[9999]")),
            "[9999][10000]" + prompted("No steady cycle was reached for instance 21 in 10000 cycles. A fixed number of "
                                       "cycles can be set in CONFIG.DAT."));
  const ChildResult three = run_in_child([] {
    ModelInstance inst = hand::make_instance(hand::Layout::arr, 1, 1, 2, {{2, 3}});
    f_run_model_cycles(inst, 6);
  });
  EXPECT_EQ(three.status, 1);
  EXPECT_NE(three.out.find("Instance 6: arrival period 2 is fitted with 3 phases"), std::string::npos) << three.out;
}

// With all SCVs 1 and constant parameters the model's average queue and
// abandonments per cycle converge at first order in Delta to those of the
// stationary birth-death chain of M/M/s+M with a finite waiting room.
TEST(ModelAccuracy, QueueAndAbandonmentsConvergeToExactMMsMAtFirstOrder) {
  const int s = 2, room = 12;
  const double lambda = 2.0, mu = 1.0, theta = 0.5, T = 8.0;
  const double queue = BirthDeath(lambda, mu, theta, s, room).queue;
  const double exact[2] = {queue, theta * queue * T};

  const std::vector<double> deltas = {0.125, 0.0625, 0.03125, 0.015625};
  std::vector<std::array<double, 2>> value, error;
  for (double delta : deltas) {
    set_run_defaults();
    gv_CFG_Delta_abs = delta, gv_CFG_mxt = 0.0, gv_CFG_mxq = room, gv_CFG_mxn_suc = 30;
    gv_CFG_precision_stat = 1e-12, gv_CFG_obs_int = 2.0 * T;
    set_single_period_instance(T, 1.0 / lambda, 1.0, 1.0 / mu, 1.0, 1.0 / theta, 1.0, s);
    ModelInstance inst = initialised();
    CoutCapture console;
    const CycleState cycle = f_run_model_cycles(inst, 1);
    std::array<double, 2> v{0.0, 0.0};
    for (int t = 0; t < inst.grid.n; ++t) {
      v[0] += inst.results.q_avg[cycle.q_par_cur][t] / inst.grid.n;
      v[1] += inst.results.abd_avg[t];
    }
    value.push_back(v);
    error.push_back({std::fabs(v[0] - exact[0]), std::fabs(v[1] - exact[1])});
  }
  for (int k = 0; k < 2; ++k) {
    for (std::size_t i = 0; i + 1 < deltas.size(); ++i) {
      const double ratio = error[i][k] / error[i + 1][k];  // a first-order method halves its error
      EXPECT_GT(ratio, 1.6) << k << " Delta " << deltas[i];
      EXPECT_LT(ratio, 2.5) << k << " Delta " << deltas[i];
    }
    // Richardson's 2 m(Delta/2) - m(Delta) removes the first-order term.
    EXPECT_LT(std::fabs(2.0 * value[3][k] - value[2][k] - exact[k]), error[3][k] / 3.0) << k;
    EXPECT_LT(error[3][k] / exact[k], 0.05) << k;
  }
}

// The measured cycle's sums: jobs run one after another in the order handed
// over, while the passes have one thread fewer; without a worker a job runs
// at once; a job's exception comes out of finish() and later jobs are dropped.
TEST(BackgroundSums, JobsRunInOrderAndAFailureReachesFinish) {
  const int team = omp_get_max_threads();
  omp_set_num_threads(4);
  std::vector<int> order;
  {
    BackgroundSums bg;
    bg.add([&order] { order.push_back(-1); });
    EXPECT_EQ(order, std::vector<int>{-1});  // no worker yet: at once
    bg.start();
    EXPECT_EQ(omp_get_max_threads(), 3);
    for (int k = 0; k < 200; ++k) {
      bg.add([&order, k] {
        if (k == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));  // let the queue fill
        order.push_back(k);
      });
    }
    bg.finish();
    EXPECT_EQ(omp_get_max_threads(), 4);
    ASSERT_EQ(order.size(), 201u);
    for (int k = 0; k < 200; ++k) ASSERT_EQ(order[static_cast<std::size_t>(k) + 1], k);

    bg.start();
    bg.add([] { throw std::bad_alloc(); });
    bg.add([&order] { order.push_back(999); });
    EXPECT_THROW(bg.finish(), std::bad_alloc);
    EXPECT_EQ(order.size(), 201u);
    EXPECT_EQ(omp_get_max_threads(), 4);
  }
  omp_set_num_threads(team);
}
