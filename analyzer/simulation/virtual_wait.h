// Virtual wait at an observation moment: how many intervals a unit arriving
// now would wait for a server, found by running a copy of the servers and the
// queue forward without arrivals, first come first served.
#pragma once

#include "analyzer/simulation/sim_state.h"

// At the start of observation interval live.int_idx: adds 1.0 to column 0 of
// wait_hist row run.obs when a server is free, otherwise to the column of the
// interval (counted from 1, capped at K) in which a server frees up for the
// virtual unit; then moves run.obs on. The live state is left as it was; the
// draws made on the copy are consumed and counted.
void f_observe(SimRun& run);
