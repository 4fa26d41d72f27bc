// The model results block of an instance, appended to SUMMARY.CSV after the
// cycle loop, with the summary values derived from the last cycle.
#pragma once

#include "analyzer/model/cycle_loop.h"
#include "analyzer/model/model_data.h"

// Summary values of the last cycle, kept for the comparison with a simulation.
struct ModelSummary {
  double mdl_cpu = 0.0;
  double mdl_avg_q_int = 0.0;
  double mdl_avg_sys_int = 0.0;
  double mdl_avg_sys_pre_arr = 0.0;
  double mdl_abandonments = 0.0;
  double mdl_arrivals = 0.0;
  double mdl_frac_reflected = 0.0;
  double mdl_frac_abandoned = 0.0;
};

// Console "\n", "MODEL COMPLETE"; derives the summary values, completes the
// waiting rows with their residual, and appends the block for inst_nr.
ModelSummary f_model_results_block(ModelInstance& inst, const CycleState& cycle, int inst_nr);
