// The two event loops of a simulation iteration: with whole variates (clocks
// reset or kept at period changes) and with thinning of the phase-type
// processes. Among equal times the boundary goes first, then an abandonment,
// then a service end, then the arrival.
#pragma once

#include "analyzer/simulation/sim_state.h"

enum class SimEvent { arrival, service, abandonment, boundary };

// The next event of the live system, its time put in run.time: the arrival,
// unless a service end is not later, unless an abandonment is not later,
// unless the boundary is not later.
SimEvent f_next_event(SimRun& run);

// Starts iteration iter: empty system at time 0, period 0 everywhere, the
// first arrival drawn, the first boundary at Delta. When the first cycle is
// the measured one, interval 0 is observed at time 0.
void f_start_iteration(SimRun& run, int iter);

// Runs the iteration until its last cycle is complete.
void f_reset_loop(SimRun& run);
void f_thinning_loop(SimRun& run);
