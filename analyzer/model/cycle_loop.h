// Runs the analytical model over cycles of intervals until the measured last
// cycle is done, gathering its statistics and waiting-time probabilities.
#pragma once

#include "analyzer/model/cycle_state.h"
#include "analyzer/model/model_data.h"

// Runs the cycles on an initialised instance (console: "COMPLETE", the cycle
// marks) and returns the loop's final values. inst_nr names the instance in
// the messages of a run that cannot go on.
CycleState f_run_model_cycles(ModelInstance& inst, int inst_nr);

// Steady-cycle measure of the cycle just run: with U and V the sums of the
// expected queue over the intervals of the current and the previous cycle,
// |1 - V / U| when U > 0, otherwise V. A measure or sum that is not finite
// ends the run.
double f_steady_cycle_measure(const ModelResults& res, int q_par_cur, int q_par_prev, int n,
                              int inst_nr, int cycle);
