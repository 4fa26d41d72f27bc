// Interval boundary of the simulation: closes the statistics of the interval
// that ends (measured last cycle only), moves the interval and cycle on, ends
// the iteration after its last cycle, applies the calendar of the new
// interval and takes the observation of an observation interval.
#pragma once

#include "analyzer/simulation/sim_state.h"

// The boundary at run.time = live.bnd_time. Returns false when it completes
// the iteration's last cycle (then only the statistics were closed).
bool f_sim_boundary(SimRun& run);
