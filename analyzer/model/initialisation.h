// Builds every table of the analytical model for the instance just read: the
// working queue bound and interval grid with its calendar, the phase-type fits
// and state layout, the arrival, service and abandonment count tables, the
// state distribution with the result arrays, and the split tables.
#pragma once

#include "analyzer/model/model_data.h"

// Reads the instance data and the run configuration; sets gv_mxq, gv_mxn_abd
// and gv_mxn_ser and fills inst. Ends the run on an instance it cannot model,
// naming instance inst_nr. Prints nothing but the warnings of the arrival and
// two-phase tables.
void f_initialise_instance(ModelInstance& inst, int inst_nr);
