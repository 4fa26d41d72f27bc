// SIM_CHECK.CSV: per simulated instance one row with the count, mean,
// variance and SCV of the drawn inter-arrival, service and patience times.
#pragma once

#include "analyzer/simulation/sim_state.h"

// Writes the row of instance inst_nr from the finished streams of res. The
// first instance of the run (first_nr) starts the file afresh with its title
// and header lines; later ones append. A file that cannot be written ends the
// run with "Please close SIM_CHECK.CSV.".
void f_sim_check_row(const SimResults& res, int inst_nr, int first_nr);
