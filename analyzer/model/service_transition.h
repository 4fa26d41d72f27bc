// The service completions of one interval, followed by the queue-to-service
// rule with the servers of the interval.
#pragma once

#include "analyzer/model/cycle_state.h"
#include "analyzer/model/model_data.h"

// One-phase layout: completions, then queue to service. Multi-phase layouts:
// phase-2 completions, phase-1 advance, then queue to service. i names the
// interval whose srv_int applies; the tables are those of cyc.per_ser and,
// for the queue split, cyc.per_abd.
void f_service_transition(ModelInstance& inst, const CycleState& cyc, int i);
