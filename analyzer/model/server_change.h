// The change in the number of servers at the start of an interval: an
// increase lets waiting units take the new servers, a decrease removes busy
// units from service (they leave the system).
#pragma once

#include "analyzer/model/cycle_state.h"
#include "analyzer/model/model_data.h"

// One pass when srv_chg[i] is not 0, toward srv_int[i] servers; nothing
// otherwise. Reads the cursors per_iat and per_abd of cyc.
void f_server_change(ModelInstance& inst, const CycleState& cyc, int i);
