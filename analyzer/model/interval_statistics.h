// The close of every interval: the distribution is scaled back to a total of
// 1, and the expected queue (every cycle), its variance and the expected
// number in system (last cycle) of the interval are recorded.
#pragma once

#include "analyzer/model/cycle_state.h"
#include "analyzer/model/model_data.h"
#include "analyzer/model/state_pass.h"

// Renormalises state_dist[slice_cur] and records the statistics of interval
// cyc.int_idx. A total that is 0, negative or not finite ends the run.
void f_close_interval(ModelInstance& inst, const CycleState& cyc);

// Expected number in system (j + l + q + r) of the current slice, divided by
// its total mass (0.0 when the slice holds none). Changes no entry.
double f_expected_in_system(StateDist& st, const StateRange& rg);
