// Event loops of the simulation. The number in queue q and in system q + b
// are integrated over time in the measured last cycle only, before each event
// changes them.
#include "analyzer/simulation/event_loops.h"

#include <cstddef>

#include "analyzer/simulation/queue_events.h"
#include "analyzer/simulation/sim_boundary.h"
#include "analyzer/simulation/slots.h"
#include "analyzer/simulation/thinning.h"
#include "analyzer/simulation/virtual_wait.h"

SimEvent f_next_event(SimRun& run) {
  const SimQueue& s = run.live;
  SimEvent ev = SimEvent::arrival;
  double t = run.arr_time;
  if (s.busy > 0 && s.srv_next <= t) {
    ev = SimEvent::service;
    t = s.srv_next;
  }
  if (s.queue > 0 && s.abd_next <= t) {
    ev = SimEvent::abandonment;
    t = s.abd_next;
  }
  if (s.bnd_time <= t) {
    ev = SimEvent::boundary;
    t = s.bnd_time;
  }
  run.time = t;
  run.res.events += 1;
  return ev;
}

namespace {

void area_step(SimRun& run) {
  if (!run.last_cycle) return;
  const int q = run.live.queue;
  const int b = run.live.busy;
  const double dt = run.time - run.prev_time;
  run.res.nq_area = run.res.nq_area + static_cast<double>(q) * dt;
  run.res.ns_area = run.res.ns_area + static_cast<double>(q + b) * dt;
}

// Draws the next arrival, then the service or patience time of the unit.
void arrival(SimRun& run) {
  SimQueue& s = run.live;
  const double t = run.time;
  if (run.last_cycle) run.res.arrivals += 1.0;
  const double x = f_sim_draw(run, kIat, run.per_iat);
  run.iat_phase = 0;
  run.arr_time = t + x;
  if (s.busy < run.grid->srv_int[static_cast<std::size_t>(s.int_idx)]) {
    f_add_server(s, t + f_sim_draw(run, kSer, s.per_ser));
  } else if (s.queue < run.sim_mxq) {
    f_add_waiting(s, t + f_sim_draw(run, kAbd, s.per_abd), t);
  } else if (run.last_cycle) {
    run.res.lost += 1.0;
  }
}

// Performs the event; false when a boundary ends the iteration.
bool perform(SimRun& run, SimEvent ev) {
  switch (ev) {
    case SimEvent::arrival:
      arrival(run);
      return true;
    case SimEvent::service:
      f_service_end(run, run.live, run.time);
      return true;
    case SimEvent::abandonment:
      f_abandon(run.live);
      if (run.last_cycle) run.int_abd_cnt += 1;
      return true;
    case SimEvent::boundary:
      return f_sim_boundary(run);
  }
  return true;
}

// The thinning decision for an event of a phase-type process; complete for a
// boundary and for processes drawn as whole variates.
ThinOutcome thin(SimRun& run, SimEvent ev) {
  switch (ev) {
    case SimEvent::arrival:
      if (!run.proc[kIat].thinned) return ThinOutcome::complete;
      return f_thin_candidate(run, kIat, run.per_iat, run.iat_phase, run.arr_time, run.time);
    case SimEvent::service:
      return run.proc[kSer].thinned ? f_thin_server(run, run.live, run.time) : ThinOutcome::complete;
    case SimEvent::abandonment:
      return run.proc[kAbd].thinned ? f_thin_waiting(run, run.live, run.time) : ThinOutcome::complete;
    case SimEvent::boundary:
      break;
  }
  return ThinOutcome::complete;
}

}  // namespace

void f_start_iteration(SimRun& run, int iter) {
  SimQueue& s = run.live;
  run.iter = iter;
  run.time = 0.0;
  run.per_iat = 0;
  run.cycle = 0;
  run.obs = 0;
  s.busy = 0;
  s.queue = 0;
  s.srv_next_slot = 0;
  s.abd_next_slot = 0;
  s.head_slot = 0;
  s.per_ser = 0;
  s.per_abd = 0;
  s.int_idx = 0;
  s.srv_next = 0.0;
  s.abd_next = 0.0;
  run.last_cycle = (run.cycle_count <= 1);
  if (run.last_cycle) run.int_abd_cnt = 0;
  const double x = f_sim_draw(run, kIat, 0);
  run.arr_time = 0.0 + x;
  s.bnd_time = run.grid->Delta + 0.0;
  run.iat_phase = 0;
  run.prev_time = run.time;
  // Time 0 is no boundary; when the first cycle is measured its interval 0 is
  // observed here, so that the rows line up with the model's.
  if (run.last_cycle && run.grid->obs_int_flag[0]) f_observe(run);
}

void f_reset_loop(SimRun& run) {
  for (;;) {
    const SimEvent ev = f_next_event(run);
    area_step(run);
    if (!perform(run, ev)) return;
    run.prev_time = run.time;
  }
}

void f_thinning_loop(SimRun& run) {
  for (;;) {
    const SimEvent ev = f_next_event(run);
    const ThinOutcome o = thin(run, ev);
    if (o == ThinOutcome::rejected) continue;
    area_step(run);
    if (o == ThinOutcome::complete && !perform(run, ev)) return;
    run.prev_time = run.time;
  }
}
