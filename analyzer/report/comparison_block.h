// The comparison block of SUMMARY.CSV: simulation and model results of the
// measured last cycle side by side, with the per-interval tables and the
// waiting-time table of both.
#pragma once

#include "analyzer/model/cycle_loop.h"
#include "analyzer/model/model_data.h"
#include "analyzer/report/model_results_block.h"
#include "analyzer/simulation/sim_state.h"

// Turns the simulation's sums into averages (over nri iterations) and appends
// the block of instance inst_nr to SUMMARY.CSV; a file that cannot be written
// ends the run with "Please close SUMMARY.CSV.".
void f_comparison_block(const ModelInstance& inst, const CycleState& cycle, const ModelSummary& mdl,
                        SimResults& sim, int nri, int inst_nr);
