// The simulation on small instances built by hand: scripted-generator cases
// of the tie order, the virtual wait and thinning with the
// mended cases; the moments of the variates and their invalid values; and a
// stationary M/M/s/K+M queue against its birth-death values.
#include <tuple>

#include "analyzer/simulation/event_loops.h"
#include "analyzer/simulation/queue_events.h"
#include "analyzer/simulation/sim_boundary.h"
#include "analyzer/simulation/sim_parameters.h"
#include "analyzer/simulation/sim_random.h"
#include "analyzer/simulation/simulation.h"
#include "analyzer/simulation/slots.h"
#include "analyzer/simulation/thinning.h"
#include "analyzer/simulation/variates.h"
#include "analyzer/simulation/virtual_wait.h"
#include "tests/support/instances.h"

namespace {

PhaseType exponential(double rate) { return PhaseType{1, {-rate}, {1.0}}; }

// n intervals of 1 with servers[k] in interval k (a shorter list repeats its
// last value), longest wait K, interval 0 observed, exponential periods.
struct Instance {
  ModelInstance model;
  SimParameters par;
  SimSettings set{1, 1, 0, 10, {0, 0, 0}};  // nri, seed, reset, sim_mxq, codes

  Instance(int n, int K, std::vector<int> servers, double lambda = 1.0, double mu = 1.0, double theta = 1.0) {
    f_set_constants();
    IntervalGrid& g = model.grid;
    const std::size_t N = static_cast<std::size_t>(n);
    g.n = n, g.Delta = 1.0, g.K = K, g.n_obs_max = 1;
    const int last = servers.back();
    servers.resize(std::max(N, servers.size()), last);
    g.srv_int.assign(servers.begin(), servers.begin() + n);
    for (std::size_t k = 0; k < N; ++k) {
      g.srv_chg.push_back(g.srv_int[k] - g.srv_int[k == 0 ? N - 1 : k - 1]);
      g.mxs = std::max(g.mxs, g.srv_int[k]);
    }
    g.chg_iat = g.chg_ser = g.chg_abd = g.obs_int_flag = std::vector<unsigned char>(N, 0);
    g.obs_int_flag[0] = 1;
    model.fits.iat = {exponential(lambda)};
    model.fits.ser = {exponential(mu)};
    model.fits.abd = {exponential(theta)};
    par.iat = par.ser = par.abd = {SimParams{}};
    gv_iat_scv = gv_ser_scv = gv_abd_scv = {1.0};
  }

  // A prepared run with an empty system at time 0 and f_rand restarted.
  SimRun run(int cycle_count = 1) {
    f_reset_random_sources();
    SimRun r;
    f_prepare_run(r, model, par, cycle_count, set, 1);
    return r;
  }
};

void set_servers(SimQueue& s, const std::vector<double>& times) {
  s.busy = 0;
  for (double t : times) s.srv_time[static_cast<std::size_t>(s.busy++)] = t;
  f_scan_servers(s);
}

// Waiting units as (patience time, join time) pairs.
void set_queue(SimQueue& s, const std::vector<std::pair<double, double>>& units) {
  s.queue = 0;
  for (auto [abd, join] : units) {
    s.q_abd_time[static_cast<std::size_t>(s.queue)] = abd;
    s.q_join_time[static_cast<std::size_t>(s.queue++)] = join;
  }
  f_scan_queue(s);
}

std::vector<double> server_times(const SimQueue& s) { return {s.srv_time.begin(), s.srv_time.begin() + s.busy}; }

}  // namespace

TEST(SimEvents, EqualTimesGoToBoundaryThenAbandonmentThenServiceThenArrival) {
  Instance inst(4, 3, {2});
  SimRun run = inst.run(2);
  set_servers(run.live, {5.0});
  set_queue(run.live, {{5.0, 0.0}});
  run.arr_time = run.live.bnd_time = 5.0;
  EXPECT_EQ(f_next_event(run), SimEvent::boundary);
  run.live.bnd_time = 6.0;
  EXPECT_EQ(f_next_event(run), SimEvent::abandonment);
  run.live.queue = 0;
  EXPECT_EQ(f_next_event(run), SimEvent::service);
  run.live.busy = 0;
  EXPECT_EQ(f_next_event(run), SimEvent::arrival);
  EXPECT_EQ(run.time, 5.0);
}

TEST(VirtualWait, CountsTheIntervalInWhichAServerFreesUp) {
  struct Case {
    const char* what;
    std::vector<int> servers;
    int K;
    std::vector<double> busy;
    std::vector<std::pair<double, double>> waiting;
    int column;
    unsigned long long draws;
  } cases[] = {
      {"a free server", {2}, 3, {0.5}, {}, 0, 0},
      {"a service ends in the observation interval", {1}, 3, {0.5}, {}, 1, 0},
      {"abandonment before a service end at the same time", {1}, 3, {0.5}, {{0.5, 0.0}}, 1, 0},
      {"the queue never clears: capped at K", {1}, 3, {100.0}, {{100.0, 0.0}}, 3, 0},
      {"K = 0 counts column 1", {1}, 0, {100.0}, {}, 1, 0},
      {"a server increase beyond the queue in interval 3", {1, 1, 3}, 5, {100.0}, {{100.0, 0.0}}, 3, 1},
  };
  for (const Case& c : cases) {
    Instance inst(6, c.K, c.servers);
    SimRun run = inst.run(1);
    run.live.bnd_time = 1.0;
    set_servers(run.live, c.busy);
    set_queue(run.live, c.waiting);
    const SimQueue before = run.live;
    f_observe(run);
    EXPECT_EQ(run.res.wait_hist[static_cast<std::size_t>(c.column)], 1.0) << c.what;
    EXPECT_EQ(f_rand_calls(), c.draws) << c.what;
    EXPECT_EQ(run.obs, 1) << c.what;
    // Mended: the live system is restored exactly.
    EXPECT_EQ(server_times(run.live), server_times(before)) << c.what;
    EXPECT_EQ(std::vector<double>({double(run.live.queue), run.live.bnd_time}),
              std::vector<double>({double(before.queue), before.bnd_time}))
        << c.what;
  }
}

// Service period 0 is a four-phase chain of rate 4 per phase (SCV 0.25), 1 is
// exponential of rate 1; the thinning rate L = 4. Mended: a phase beyond the
// period's phases reads its last phase and is kept.
TEST(Thinning, AcceptanceAndPhaseStepFollowTheCurrentPeriod) {
  Instance inst(2, 3, {1});
  PhaseType chain;
  f_PH_fit(chain, 1.0, 4, 0.25, 0.5, 1e-6);
  inst.model.fits.ser = {chain, exponential(1.0)};
  inst.par.ser = {SimParams{}, SimParams{}};
  gv_ser_scv = {0.25, 1.0};
  inst.set.reset = -1;
  struct Case {
    const char* what;
    int period, phase;
    std::vector<int> script;
    ThinOutcome outcome;
    int phase_after;
  } cases[] = {
      {"chain phase 0 accepted moves on", 0, 0, {0, 0}, ThinOutcome::moved, 1},
      {"chain phase 3 accepted completes", 0, 3, {0}, ThinOutcome::complete, 0},
      {"exponential period, U = 1/2 > 1/4 rejects", 1, 0, {16384, 0}, ThinOutcome::rejected, 0},
      {"exponential period, U = 1/4 accepts", 1, 0, {24576}, ThinOutcome::complete, 0},
      {"phase 2 beyond the period's one phase, rejected keeps it", 1, 2, {16384, 0}, ThinOutcome::rejected, 2},
      {"phase 2 beyond the period's one phase, accepted completes", 1, 2, {24576}, ThinOutcome::complete, 0},
  };
  for (const Case& c : cases) {
    SimRun run = inst.run(1);
    f_script_rand(c.script);
    int phase = c.phase;
    double clock = 7.0;
    EXPECT_EQ(f_thin_candidate(run, kSer, c.period, phase, clock, 2.0), c.outcome) << c.what;
    EXPECT_EQ(phase, c.phase_after) << c.what;
    EXPECT_EQ(f_rand_calls(), c.script.size()) << c.what;
    EXPECT_EQ(clock, c.outcome == ThinOutcome::complete ? 7.0 : 2.0) << c.what;  // a gap of -ln(1) / 4
  }
}

// Mended: a thinning rate that cannot advance the clock ends the run.
TEST(Thinning, ARateThatCannotAdvanceEndsTheRunNamingTheProcess) {
  Instance inst(2, 3, {1});
  inst.model.fits.abd = {exponential(std::nan(""))};
  inst.set.reset = -1;
  ChildResult r = run_in_child([&] { inst.run(1); });
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find(prompted("Instance 1: the thinning rate of the abandonment process (-1) is not finite and "
                                "positive; the simulation cannot advance.")),
            std::string::npos)
      << r.out;
}

// Mended: with one cycle the simulation also observes at time 0.
TEST(SimIteration, AMeasuredFirstCycleIsObservedAtTimeZero) {
  for (int cycles : {1, 2}) {
    Instance inst(4, 3, {1});
    SimRun run = inst.run(cycles);
    f_start_iteration(run, 0);
    EXPECT_EQ(run.obs, cycles == 1 ? 1 : 0);
    EXPECT_EQ(run.res.wait_hist[0], cycles == 1 ? 1.0 : 0.0);
    EXPECT_EQ(run.res.streams[kIat].n, 1);
  }
}

// A server decrease removes the slot floor(rand * 2^-15 * busy), one draw per
// removed server; waiting units stay.
TEST(SimBoundary, ServerDecreaseRemovesSlotsChosenByTheGenerator) {
  Instance inst(2, 3, {4, 2});
  SimRun run = inst.run(2);
  set_servers(run.live, {1.5, 2.5, 3.5, 4.5});
  set_queue(run.live, {{9.0, 0.5}});
  run.time = run.live.bnd_time = 1.0;
  f_script_rand({16384, 32767});  // floor(0.5 * 4) = 2, then floor(32767 / 32768 * 3) = 2
  ASSERT_TRUE(f_sim_boundary(run));
  EXPECT_EQ(f_rand_calls(), 2u);
  EXPECT_EQ(server_times(run.live), (std::vector<double>{1.5, 2.5}));
  EXPECT_EQ(run.live.queue, 1);
}

// Worked parameter blocks: lognormal, beta and gamma of mean 2.
TEST(SimParameters, WorkedExamplesMatchTheirClosedForms) {
  const double ln2 = std::log(2.0);
  const std::vector<std::tuple<int, double, SimParams>> cases{{1, 1.0, {std::sqrt(ln2), ln2 / 2.0, 0.0, 0.0}},
                                                              {2, 1.0, {0.5, 1.5, 8.0, 0.25}},
                                                              {3, 0.5, {2.0, 1.0, 0.0, 0.0}}};
  for (const auto& [code, scv, want] : cases) {
    const SimParams P = f_distribution_parameters(code, 2.0, scv);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(P[i], want[i], 1e-14) << "code " << code << " P[" << i << "]";
  }
}

// Generator values each code takes: one per exponential phase, one for the
// Coxian branch (at or below the continuation probability: phase 2 follows),
// a discarded value and two uniforms for the lognormal, none for the gamma.
TEST(RandomVariate, EachCodeTakesItsNumberOfGeneratorValues) {
  f_set_constants();
  const std::vector<std::tuple<int, double, std::vector<int>, unsigned>> cases{
      {0, 1.0, {}, 1}, {0, 0.25, {}, 4}, {0, 2.0, {5, 0}, 3}, {0, 2.0, {5, 32767}, 2}, {1, 0.5, {}, 3}, {3, 0.5, {}, 0}};
  for (const auto& [dist, scv, script, calls] : cases) {
    f_reset_random_sources();
    f_script_rand(script);
    EXPECT_GE(f_random_variate(fitted(2.0, scv), f_distribution_parameters(dist, 2.0, scv), dist, scv), 0.0);
    EXPECT_EQ(f_rand_calls(), calls) << "code " << dist << " scv " << scv;
  }
}

// The sample mean lies within 5 standard errors of the period's mean, and the
// sample SCV within 3 % of the period's SCV (200 000 draws).
TEST(RandomVariate, EveryCodeHasThePeriodsMeanAndScv) {
  f_set_constants();
  f_reset_random_sources();
  f_srand(12345);
  const double m = 2.0;
  const int draws = 200000;
  for (const auto& [dist, scv] : std::vector<std::pair<int, double>>{
           {0, 1.0}, {0, 0.25}, {0, 2.0}, {1, 0.5}, {2, 0.5}, {2, 1.0}, {3, 0.5}, {3, 2.0}}) {
    const PhaseType ph = fitted(m, scv);
    const SimParams P = f_distribution_parameters(dist, m, scv);
    VariateStream s;
    for (int i = 0; i < draws; ++i) f_count_draw(s, f_random_variate(ph, P, dist, scv));
    f_finish_stream(s);
    EXPECT_NEAR(s.mean, m, 5.0 * m * std::sqrt(scv / draws)) << "code " << dist << " scv " << scv;
    EXPECT_NEAR(s.scv, scv, 0.03 * scv) << "code " << dist << " scv " << scv;
  }
}

// Mended: a time that is not finite and non-negative, or gamma and beta
// parameters of SCV 0, take the invalid-variate exit.
TEST(RandomVariate, ATimeThatIsNotFiniteAndNonNegativeEndsTheRun) {
  struct Case {
    const char* what;
    double rate;
    int dist;
    double scv;
    int r;
  } cases[] = {
      {"phase of rate 0 with the uniform 1 (0/0)", 0.0, 0, 1.0, 0},
      {"phase of rate 0 with a uniform below 1", 0.0, 0, 1.0, 16384},
      {"phase with a positive diagonal (negative time)", -1.0, 0, 1.0, 16384},
      {"gamma of SCV 0 (infinite shape)", 1.0, 3, 0.0, 0},
      {"beta of SCV 0", 1.0, 2, 0.0, 0},
  };
  for (const Case& c : cases) {
    ChildResult r = run_in_child([&] {
      f_reset_random_sources();
      f_script_rand({c.r});
      f_random_variate(exponential(c.rate), f_distribution_parameters(c.dist, 1.0, c.scv), c.dist, c.scv);
    });
    EXPECT_TRUE(r.exited && r.status == 1) << c.what;
    EXPECT_EQ(r.out, "\nInvalid random variate.") << c.what;
  }
}

// A stationary M/M/s/K+M queue: the simulated queue mean, abandoned fraction
// (per admitted arrival) and lost fraction lie in 99.9 % confidence intervals
// (ten seeds) of the birth-death values, with and without thinning.
TEST(SimulatedQueue, StationaryMMsKMMatchesTheBirthDeathValues) {
  constexpr double kLambda = 4.0, kMu = 1.0, kTheta = 0.5;
  constexpr int kServers = 3, kPlaces = 5, kBatches = 10;
  const BirthDeath bd(kLambda, kMu, kTheta, kServers, kPlaces);
  const double lost = bd.p.back();
  const double exact[3] = {bd.queue, kTheta * bd.queue / (kLambda * (1.0 - lost)), lost};
  const double t_999 = 4.781;  // two-sided 99.9 % quantile of Student's t, 9 degrees of freedom
  for (int reset : {0, -1}) {
    double sum[3] = {}, squares[3] = {};
    for (int seed = 1; seed <= kBatches; ++seed) {
      // A cycle of 20 intervals of 1; the first of two cycles is the warm-up.
      Instance inst(20, 3, {kServers}, kLambda, kMu, kTheta);
      inst.set = {200, seed, reset, kPlaces, {0, 0, 0}};
      if (reset == -1) {
        // A second period of twice the rates that the calendar never starts:
        // candidates come at twice the rate and half of them are accepted.
        for (auto* fits : {&inst.model.fits.iat, &inst.model.fits.ser, &inst.model.fits.abd})
          fits->push_back(exponential(-2.0 * fits->front().Q[0]));
        inst.par.iat = inst.par.ser = inst.par.abd = {SimParams{}, SimParams{}};
        gv_iat_scv = gv_ser_scv = gv_abd_scv = {1.0, 1.0};
      }
      SimResults r = f_run_simulation(inst.model, inst.par, 2, inst.set, 1);
      const double v[3] = {r.nq_area, r.abandonments / (r.arrivals - r.lost), r.lost / r.arrivals};
      for (int k = 0; k < 3; ++k) sum[k] += v[k], squares[k] += v[k] * v[k];
    }
    for (int k = 0; k < 3; ++k) {
      const double mean = sum[k] / kBatches, var = (squares[k] - kBatches * mean * mean) / (kBatches - 1);
      const double half_width = t_999 * std::sqrt(var / kBatches);
      EXPECT_NEAR(mean, exact[k], half_width) << "reset " << reset << " measure " << k;
      // The interval is narrow enough to tell a wrong queue from the right one.
      EXPECT_LT(half_width, 0.1 * exact[k]) << "reset " << reset << " measure " << k;
    }
  }
}
