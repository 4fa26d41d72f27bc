// The abandonments of waiting units during one interval; units in service
// never abandon.
#pragma once

#include "analyzer/model/cycle_state.h"
#include "analyzer/model/model_data.h"

// One-phase layout: one pass. Multi-phase layouts: phase-2 abandonments, then
// the phase-1 advance. Tables of cyc.per_abd. When abandoned is not null, the
// expected number of units that leave the queue is added to *abandoned: at
// once, or by cyc.background when it is set (then *abandoned is complete
// after its finish()).
void f_abandonment_transition(ModelInstance& inst, const CycleState& cyc, double* abandoned);
