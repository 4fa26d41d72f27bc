// One interval of the model: the period cursors, the arrival phases across a
// change of arrival period, the server change, and the arrival, service and
// abandonment transitions in the configured order.
#pragma once

#include "analyzer/model/cycle_state.h"
#include "analyzer/model/model_data.h"

// Moves the cursors of the periods whose calendar flag is set at interval i
// to the next period (after the last comes period 0); at i = 0 a cursor
// whose flag is not set is put on period 0. The arrival cursor only when
// arrivals is set.
void f_advance_cursors(const ModelInstance& inst, CycleState& cyc, int i, bool arrivals);

// Interval cyc.int_idx up to, not including, the renormalisation. In the last
// cycle it also records sys_avg_pre_arr and the abandonments of the interval.
void f_interval_step(ModelInstance& inst, CycleState& cyc);
