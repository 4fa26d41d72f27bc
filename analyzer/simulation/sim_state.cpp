// The one place where the simulation draws a time of a process, so that every
// draw is counted in the stream of its process as it is made.
#include "analyzer/simulation/sim_state.h"

#include <cmath>
#include <cstddef>

#include "analyzer/simulation/sim_random.h"

double f_sim_draw(SimRun& run, int proc, int period) {
  const SimProcess& p = run.proc[static_cast<std::size_t>(proc)];
  const std::size_t i = static_cast<std::size_t>(period);
  const double x = p.thinned ? -std::log(f_sim_uniform()) / p.lmax
                             : f_random_variate((*p.ph)[i], (*p.par)[i], p.dist, (*p.scv)[i]);
  f_count_draw(run.res.streams[static_cast<std::size_t>(proc)], x);
  return x;
}
