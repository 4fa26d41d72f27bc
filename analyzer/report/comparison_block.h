// The comparison block of SUMMARY.CSV: simulation and model results of the
// measured last cycle side by side, with the per-interval tables and the
// waiting-time table of both.
#pragma once

#include "analyzer/model/cycle_loop.h"
#include "analyzer/model/model_data.h"
#include "analyzer/report/model_results_block.h"
#include "analyzer/simulation/sim_state.h"

// Appends the block of instance inst_nr, with the simulation's averages over
// nri iterations, to SUMMARY.CSV; a file that cannot be written ends the run
// with "Please close SUMMARY.CSV.".
void f_comparison_block(const ModelInstance& inst, const CycleState& cycle, const ModelSummary& mdl,
                        const SimResults& sim, int nri, int inst_nr);
