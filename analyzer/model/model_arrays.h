// The result arrays of the model and its state distribution, sized from the
// interval grid: n = intervals per cycle, K = longest wait in intervals.
#pragma once

#include "analyzer/model/model_data.h"

// wait_prob (n_obs_max + 1 rows of K + 1), q_avg (two rows of n), q_var,
// abd_avg, sys_avg and sys_avg_pre_arr (n each), and both slices of the state
// distribution with its saved copy for mxs servers and mxq per patience
// phase; every entry 0.0.
void f_allocate_model_arrays(ModelResults& results, StateDist& state, const IntervalGrid& grid, int mxq);
