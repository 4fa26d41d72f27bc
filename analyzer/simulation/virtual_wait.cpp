// The look-ahead of the virtual wait. Ties go to the abandonment, then the
// service end, then the boundary; its boundaries apply the service, patience
// and server changes of the calendar but leave the arrival cursor alone.
#include "analyzer/simulation/virtual_wait.h"

#include <cstddef>
#include <sstream>

#include "analyzer/simulation/queue_events.h"
#include "analyzer/simulation/slots.h"
#include "analyzer/simulation/thinning.h"
#include "kernel/fatal_exit.h"

namespace {

// Runs run.look forward from the observation boundary; returns the column.
int look_ahead(SimRun& run) {
  const IntervalGrid& g = *run.grid;
  SimQueue& s = run.look;
  f_copy_queue(run.live, s);
  const bool thin_ser = run.proc[kSer].thinned;
  const bool thin_abd = run.proc[kAbd].thinned;
  int step = 1;
  do {
    enum { boundary, service, abandonment } ev = boundary;
    double t = s.bnd_time;
    if (s.busy > 0 && s.srv_next <= t) {
      ev = service;
      t = s.srv_next;
    }
    if (s.queue > 0 && s.abd_next <= t) {
      ev = abandonment;
      t = s.abd_next;
    }
    if (ev == service) {
      if (!thin_ser || f_thin_server(run, s, t) == ThinOutcome::complete) f_service_end(run, s, t);
    } else if (ev == abandonment) {
      if (!thin_abd || f_thin_waiting(run, s, t) == ThinOutcome::complete) f_abandon(s);
    } else {
      s.int_idx += 1;
      s.bnd_time = t + g.Delta;
      if (step >= g.K) break;
      step += 1;
      // The look-ahead runs on into the next cycle's calendar.
      if (s.int_idx == g.n) s.int_idx = 0;
      f_queue_calendar(run, s, s.int_idx, t);
    }
  } while (s.busy == g.srv_int[static_cast<std::size_t>(s.int_idx)]);
  return step;
}

}  // namespace

void f_observe(SimRun& run) {
  const IntervalGrid& g = *run.grid;
  if (run.obs > g.n_obs_max) {
    std::ostringstream msg;
    msg << "Simulation: observation row " << run.obs << " exceeds the " << g.n_obs_max + 1
        << " observation intervals of a cycle.";
    f_fatal_exit(msg.str());
  }
  const SimQueue& s = run.live;
  const int w = (s.busy == g.srv_int[static_cast<std::size_t>(s.int_idx)]) ? look_ahead(run) : 0;
  const std::size_t cols = static_cast<std::size_t>(g.K) + 2;
  run.res.wait_hist[static_cast<std::size_t>(run.obs) * cols + static_cast<std::size_t>(w)] += 1.0;
  run.obs += 1;
}
