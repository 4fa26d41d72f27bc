// Runs the analytical model over cycles of intervals until the measured last
// cycle is done, gathering its statistics and waiting-time probabilities.
#pragma once

#include <ctime>

#include "analyzer/model/model_data.h"

// Values of the cycle loop that the interval step, the look-ahead and the
// results block read.
struct CycleState {
  int per_iat = 0, per_ser = 0, per_abd = 0;  // period cursors
  int int_idx = 0;                            // interval being processed
  int cycle_count = 0;                        // cycles completed
  bool last_cycle = false;                    // running cycle is measured
  bool model_done = false;
  int q_par_cur = 1, q_par_prev = 0;          // rows of q_avg
  int n_obs = 0;                              // observation intervals handled
  double reflections = 0.0;                   // expected boundary reflections, last cycle
  std::clock_t cyc_clock0 = 0;                // clock reading before the first cycle
  int inst_nr = 0;                            // instance number, for messages
  int arr_phases_held = 1;                    // arrival phases the current slice carries
};

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
