// The cursor and loop state that the cycle loop carries from interval to
// interval: period cursors, interval index, cycle counters and the measured
// cycle's running totals. The interval step, the transitions and the
// look-ahead read and move it.
#pragma once

#include <ctime>

class BackgroundSums;

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
  BackgroundSums* background = nullptr;       // takes the measured cycle's running sums, when set
};
