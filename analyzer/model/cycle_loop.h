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
};

// Runs the cycles on an initialised instance (console: "COMPLETE", the cycle
// marks) and returns the loop's final values.
CycleState f_run_model_cycles(ModelInstance& inst);
