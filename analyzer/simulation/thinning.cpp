// Thinning acceptance and phase step. Draw order per candidate: acceptance U,
// then (Coxian phase 0 only) the branch U, then the U of the next gap.
#include "analyzer/simulation/thinning.h"

#include <algorithm>
#include <cstddef>

#include "analyzer/simulation/sim_random.h"
#include "analyzer/simulation/slots.h"

ThinOutcome f_thin_candidate(SimRun& run, int proc, int period, int& phase, double& clock, double t) {
  const SimProcess& p = run.proc[static_cast<std::size_t>(proc)];
  const std::size_t pi = static_cast<std::size_t>(period);
  const PhaseType& Q = (*p.ph)[pi];
  const double c = (*p.scv)[pi];
  // After a period change to fewer phases the unit keeps its phase; it is
  // judged at the rate of the period's last phase.
  const int rate_phase = std::min(phase, Q.n - 1);
  const bool accepted = -Q.q(rate_phase, rate_phase) / p.lmax >= f_sim_uniform();
  bool moves = false;
  if (accepted) {
    if (c < 1.0) {
      moves = phase < Q.n - 1;
    } else if (c > 1.0 && phase < 1) {
      const double r = -(Q.q(0, 1) / Q.q(0, 0));
      moves = r > f_sim_uniform();
    }
    if (!moves) {
      phase = 0;
      return ThinOutcome::complete;
    }
    phase = phase + 1;
  }
  clock = t + f_sim_draw(run, proc, period);
  return moves ? ThinOutcome::moved : ThinOutcome::rejected;
}

ThinOutcome f_thin_server(SimRun& run, SimQueue& s, double t) {
  const std::size_t j = static_cast<std::size_t>(s.srv_next_slot);
  ThinOutcome o = f_thin_candidate(run, kSer, s.per_ser, s.srv_phase[j], s.srv_time[j], t);
  if (o != ThinOutcome::complete) f_scan_servers(s);
  return o;
}

ThinOutcome f_thin_waiting(SimRun& run, SimQueue& s, double t) {
  const std::size_t j = static_cast<std::size_t>(s.abd_next_slot);
  ThinOutcome o = f_thin_candidate(run, kAbd, s.per_abd, s.q_abd_phase[j], s.q_abd_time[j], t);
  if (o != ThinOutcome::complete) f_scan_queue(s);
  return o;
}
