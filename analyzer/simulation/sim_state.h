// State of the event-driven simulation of one instance: the servers and the
// queue in compact slots, the clocks and cursors of the running iteration,
// the processes it draws from, and the totals gathered over iterations.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "analyzer/model/model_data.h"
#include "analyzer/simulation/sim_parameters.h"
#include "analyzer/simulation/variates.h"

// Index of a process in the per-process arrays.
enum SimProc { kIat = 0, kSer = 1, kAbd = 2 };

// What a process draws from: per period its fit, parameter block and SCV.
struct SimProcess {
  const std::vector<PhaseType>* ph = nullptr;
  const std::vector<SimParams>* par = nullptr;
  const std::vector<double>* scv = nullptr;
  int nr = 0;            // periods
  int dist = 0;          // distribution code
  double lmax = -1.0;    // thinning rate: largest |Q| entry of all periods
  bool thinned = false;  // thinning loop and phase-type code
};

// Servers and queue. Busy units hold server slots 0..busy-1, waiting units
// queue slots 0..queue-1; a unit that leaves is replaced by the last one.
// Together with the interval index, the next boundary and the service and
// patience cursors, this is what the virtual wait runs forward on a copy of.
struct SimQueue {
  int busy = 0;
  int queue = 0;
  std::vector<double> srv_time;     // per server slot: next service event
  std::vector<int> srv_phase;       // per server slot: service phase (thinning)
  std::vector<double> q_abd_time;   // per queue slot: next patience event
  std::vector<double> q_join_time;  // per queue slot: time of joining
  std::vector<int> q_abd_phase;     // per queue slot: patience phase (thinning)
  double srv_next = 0.0;            // earliest srv_time and its slot
  int srv_next_slot = 0;
  double abd_next = 0.0;            // earliest q_abd_time and its slot
  int abd_next_slot = 0;
  int head_slot = 0;                // smallest join time, lowest slot on ties
  int per_ser = 0;
  int per_abd = 0;
  int int_idx = 0;                  // interval of the cycle
  double bnd_time = 0.0;            // end of that interval
};

// Results of the iterations, summed over them until the comparison block
// turns the sums into averages in place.
struct SimResults {
  int n = 0;  // intervals per cycle
  int K = 0;  // longest wait in intervals; rows of wait_hist have K + 2 columns
  std::vector<double> int_abd_mean, int_abd_var, int_abd_m2, int_abd_dev;
  std::vector<double> int_nq_mean, int_nq_var, int_nq_m2, int_nq_dev;
  std::vector<double> int_ns_sum;
  std::vector<double> wait_hist;  // (n_obs_max + 1) x (K + 2), [row * (K + 2) + w]
  double nq_area = 0.0, ns_area = 0.0;
  double arrivals = 0.0, lost = 0.0, abandonments = 0.0;
  std::array<VariateStream, 3> streams;  // by SimProc
  std::int64_t ticks = 0;                // processor milliseconds
  std::int64_t events = 0;               // passes of the event loops
  double avg_q_int = 0.0, avg_sys_int = 0.0, cpu = 0.0;
};

// Everything one simulation stage works on.
struct SimRun {
  const IntervalGrid* grid = nullptr;
  int cycle_count = 0;
  int reset = 0;    // -1 thinning, 0 cursors only, 1 redraw at period changes
  int sim_mxq = 0;  // queue places
  std::array<SimProcess, 3> proc;

  SimQueue live;  // the simulated system
  SimQueue look;  // scratch copy for the virtual wait

  double time = 0.0, prev_time = 0.0, arr_time = 0.0;
  int per_iat = 0;
  int iat_phase = 0;
  int iter = 0, cycle = 0, obs = 0;
  bool last_cycle = false;
  int int_abd_cnt = 0;

  SimResults res;
};

// A time of process proc for period `period`: under thinning a candidate gap
// -ln(U) / lmax, otherwise a whole variate. Counted in the process's stream.
double f_sim_draw(SimRun& run, int proc, int period);
