// The arrivals of one interval: every state's mass moves up the queue in
// patience phase 1 by the number of arrivals, those that find no room below
// the queue bound staying at it. In the measured last cycle the expected
// number of such boundary reflections is added to cyc.reflections: at once,
// or by cyc.background when it is set.
#pragma once

#include "analyzer/model/cycle_state.h"
#include "analyzer/model/model_data.h"

// One pass with the tables of the arrival period cyc.per_iat.
void f_arrival_transition(ModelInstance& inst, CycleState& cyc);
