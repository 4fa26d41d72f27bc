// The interval grid of an instance: the working queue bound gv_mxq from an
// M/M/s description of the instance, the interval length Delta, the sizes
// n_int = ceil(T / Delta) and mxw = ceil(mxt / Delta), and the calendar of
// servers, period changes and observation intervals per interval.
#pragma once

#include <vector>

#include "analyzer/model/model_data.h"

// The working queue bound for cfg_mxq and tail probability cfg_precision
// (-1.0: cfg_mxq unchanged), from the instance's arrival, service and server
// periods. mms_dist receives the M/M/s probabilities p[0..max(s - 1, cfg_mxq)]
// when the rule runs (sized for both, all 0.0 otherwise). Falls back to
// cfg_mxq when the M/M/s queue is not stable (rho >= 1) or its normalising
// total is not finite and positive.
int f_working_queue_bound(std::vector<double>& mms_dist, int cfg_mxq, double cfg_precision);

// Delta from the configuration: the absolute value, or the plain mean of the
// service periods' mean service times.
double f_interval_length();

// Ends the run (own-prompt form) when Delta is longer than any period of the
// arrivals, service, abandonment or servers.
void f_check_delta(double Delta);

// Servers, period changes and observation flags of intervals 0..grid.n-1;
// needs Delta, n_int and n of grid.
void f_build_calendar(IntervalGrid& grid);

// The whole grid for the instance just read: sets gv_mxq and every field of
// grid, or ends the run on a Delta longer than some period, or on a cycle or
// longest wait whose number of intervals is not finite or exceeds the int
// range (the message names instance inst_nr).
void f_build_interval_grid(IntervalGrid& grid, int inst_nr);
