// Scripted cases of the simulated events: the tie order of the main loop and
// of the virtual wait, slot compaction, random server removal, the columns of
// the virtual wait, thinning decisions, and the mended cases (phase beyond a
// period's phases, thinning rate that cannot advance, observation at time 0).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "analyzer/simulation/event_loops.h"
#include "analyzer/simulation/queue_events.h"
#include "analyzer/simulation/sim_boundary.h"
#include "analyzer/simulation/slots.h"
#include "analyzer/simulation/thinning.h"
#include "analyzer/simulation/virtual_wait.h"
#include "tests/analyzer/simulation/sim_fixture.h"
#include "tests/support/child_process.h"

namespace {

using sim_fixture::Instance;

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

std::vector<double> server_times(const SimQueue& s) {
  return std::vector<double>(s.srv_time.begin(), s.srv_time.begin() + s.busy);
}

}  // namespace

TEST(SimEvents, EqualTimesGoToBoundaryThenAbandonmentThenServiceThenArrival) {
  Instance inst(4, 1.0, 3, {2}, 1.0, 1.0, 1.0);
  SimRun run = inst.run(2);
  set_servers(run.live, {5.0});
  set_queue(run.live, {{5.0, 0.0}});
  run.arr_time = 5.0;
  run.live.bnd_time = 5.0;
  EXPECT_EQ(f_next_event(run), SimEvent::boundary);
  run.live.bnd_time = 6.0;
  EXPECT_EQ(f_next_event(run), SimEvent::abandonment);
  run.live.queue = 0;
  EXPECT_EQ(f_next_event(run), SimEvent::service);
  run.live.busy = 0;
  EXPECT_EQ(f_next_event(run), SimEvent::arrival);
  EXPECT_EQ(run.time, 5.0);
}

TEST(SimEvents, ServiceEndCompactsSlotsAndServesTheEarliestJoiner) {
  Instance inst(4, 1.0, 3, {3}, 1.0, 1.0, 1.0);
  SimRun run = inst.run(2);
  // Empty queue: the ending slot 0 (tie with slot 1, lowest wins) takes slot 2.
  set_servers(run.live, {1.0, 1.0, 3.0});
  f_service_end(run, run.live, 1.0);
  EXPECT_EQ(server_times(run.live), (std::vector<double>{3.0, 1.0}));
  EXPECT_EQ(run.live.srv_next_slot, 1);
  // Queue: joins 0.5, 0.2, 0.2; the head is slot 1, slot 2 moves into it.
  set_queue(run.live, {{9.0, 0.5}, {8.0, 0.2}, {7.0, 0.2}});
  f_script_rand({16384});
  f_service_end(run, run.live, 1.0);
  EXPECT_EQ(run.live.queue, 2);
  EXPECT_EQ(run.live.q_join_time[1], 0.2);
  EXPECT_EQ(run.live.q_abd_time[1], 7.0);
  EXPECT_EQ(run.live.head_slot, 1);
  EXPECT_DOUBLE_EQ(run.live.srv_time[1], 1.0 + std::log(2.0));  // -ln(1/2) / 1
  EXPECT_EQ(run.res.streams[kSer].n, 1);
}

TEST(SimBoundary, ServerDecreaseRemovesSlotsChosenByTheGenerator) {
  Instance inst(2, 1.0, 3, {4, 2}, 1.0, 1.0, 1.0);
  SimRun run = inst.run(2);
  set_servers(run.live, {1.5, 2.5, 3.5, 4.5});
  set_queue(run.live, {{9.0, 0.5}});
  run.time = run.live.bnd_time = 1.0;
  // floor(16384 / 32768 * 4) = 2, then floor(32767 / 32768 * 3) = 2.
  f_script_rand({16384, 32767});
  ASSERT_TRUE(f_sim_boundary(run));
  EXPECT_EQ(f_rand_calls(), 2u);
  EXPECT_EQ(server_times(run.live), (std::vector<double>{1.5, 2.5}));
  EXPECT_EQ(run.live.queue, 1);
  EXPECT_EQ(run.live.int_idx, 1);
  EXPECT_EQ(run.live.bnd_time, 2.0);
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
      {"a server increase beyond the queue in interval 3", {1, 1, 3, 3, 3, 3}, 5, {100.0}, {{100.0, 0.0}}, 3, 1},
  };
  for (const Case& c : cases) {
    Instance inst(6, 1.0, c.K, c.servers, 1.0, 1.0, 1.0);
    SimRun run = inst.run(1);
    run.live.bnd_time = 1.0;
    set_servers(run.live, c.busy);
    set_queue(run.live, c.waiting);
    const SimQueue before = run.live;
    f_observe(run);
    EXPECT_EQ(run.res.wait_hist[static_cast<std::size_t>(c.column)], 1.0) << c.what;
    EXPECT_EQ(f_rand_calls(), c.draws) << c.what;
    EXPECT_EQ(run.obs, 1) << c.what;
    // The live system is left exactly as it was.
    EXPECT_EQ(server_times(run.live), server_times(before)) << c.what;
    EXPECT_EQ(run.live.queue, before.queue) << c.what;
    EXPECT_EQ(run.live.bnd_time, before.bnd_time) << c.what;
  }
}

TEST(Thinning, AcceptanceAndPhaseStepFollowTheCurrentPeriod) {
  // Service periods: 0 is a four-phase chain of rate 4 per phase (mean 1,
  // SCV 0.25), 1 is exponential of rate 1; L = 4.
  Instance inst(2, 1.0, 3, {1}, 1.0, 1.0, 1.0);
  PhaseType chain;
  f_PH_fit(chain, 1.0, 4, 0.25, 0.5, 1e-6);
  inst.model.fits.ser = {chain, sim_fixture::exponential(1.0)};
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

TEST(Thinning, ARateThatCannotAdvanceEndsTheRunNamingTheProcess) {
  Instance inst(2, 1.0, 3, {1}, 1.0, 1.0, 1.0);
  inst.model.fits.abd = {sim_fixture::exponential(std::nan(""))};
  inst.set.reset = -1;
  ChildResult r = run_in_child([&] { inst.run(1); });
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("\nInstance 1: the thinning rate of the abandonment process (-1) is not finite and "
                       "positive; the simulation cannot advance.\nPress any key to quit..."),
            std::string::npos)
      << r.out;
}

TEST(SimIteration, AMeasuredFirstCycleIsObservedAtTimeZero) {
  for (int cycles : {1, 2}) {
    Instance inst(4, 1.0, 3, {1}, 1.0, 1.0, 1.0);
    SimRun run = inst.run(cycles);
    f_start_iteration(run, 0);
    EXPECT_EQ(run.obs, cycles == 1 ? 1 : 0);
    EXPECT_EQ(run.res.wait_hist[0], cycles == 1 ? 1.0 : 0.0);
    EXPECT_EQ(run.res.streams[kIat].n, 1);
  }
}
