// The simulation check of one instance: gv_CFG_nri iterations of cycle_count
// cycles of the event-driven queue, with the variate statistics of every
// process and the last-cycle results over iterations.
#pragma once

#include "analyzer/model/model_data.h"
#include "analyzer/simulation/sim_parameters.h"
#include "analyzer/simulation/sim_state.h"

// What the stage reads of the run configuration.
struct SimSettings {
  int nri = 0;       // iterations (> 0)
  int seed = 0;      // -1: calendar time
  int reset = 0;     // -1 thinning, 0 keep clocks, 1 redraw clocks
  int sim_mxq = 0;   // queue places
  int dist[3] = {0, 0, 0};  // distribution codes by SimProc
};

// The settings of gv_CFG_nri, gv_CFG_sim_seed, gv_CFG_sim_reset,
// gv_CFG_sim_mxq and the three distribution codes.
SimSettings f_sim_settings();

// Sets up run for the instance: grid, cycle count, settings, processes with
// their thinning rates, and every array allocated and cleared. A phase-type
// process of the thinning loop whose rate is not finite and positive ends the
// run, naming the process and instance inst_nr.
void f_prepare_run(SimRun& run, const ModelInstance& model, const SimParameters& par, int cycle_count,
                   const SimSettings& set, int inst_nr);

// Seeds f_rand, runs the iterations on the instance's grid and fits and the
// parameter blocks par, and returns the results over all iterations with the
// finished variate streams, normalised by f_normalise_sim_results. The SCVs
// of the periods are the instance data's.
SimResults f_run_simulation(const ModelInstance& model, const SimParameters& par, int cycle_count,
                            const SimSettings& set, int inst_nr);

// Turns the sums into averages in place: per-interval sample variances (NaN
// when nri = 1), the means over intervals, the time averages over one cycle,
// the waiting rows as distributions and the processor seconds.
void f_normalise_sim_results(SimResults& res, int nri, double Delta);
