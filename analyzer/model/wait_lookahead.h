// Waiting-time probabilities of a unit arriving in an observation interval:
// the distribution at the end of the interval is carried forward with
// service and abandonment only (later arrivals queue behind the unit), and
// at each step the mass of the states with a free server and nobody ahead is
// taken out as the probability of waiting that many intervals.
#pragma once

#include "analyzer/model/cycle_state.h"
#include "analyzer/model/model_data.h"

// Fills row cyc.n_obs of wait_prob, columns 0..K-1 (K = mxw), for interval
// cyc.int_idx, then increments cyc.n_obs. The distribution over the layout's
// range, the slice indices and the cursors are left as they were.
void f_wait_lookahead(ModelInstance& inst, CycleState& cyc);

// Completes rows 0..n_obs-1 of wait_prob (K + 1 columns): when the row sums
// to less than 1.0, column K receives the missing mass.
void f_wait_residual(ModelResults& res, int n_obs, int K);
