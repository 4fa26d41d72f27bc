// Random variates of the simulated times: phase type from the period's
// sub-generator, lognormal by Box-Muller, beta as G1 / (G1 + G2) of two gamma
// variates, gamma; and the running count, mean and sum of squared deviations
// of every variate drawn for a process.
#pragma once

#include <cstdint>

#include "analyzer/model/phase_type.h"
#include "analyzer/simulation/sim_parameters.h"

// One time of the period with fit ph (n phases), parameters P, distribution
// code dist and SCV scv. Codes 0 and 1 draw from f_rand, codes 2 and 3 from
// the gamma engine; any other code returns 0.0 without a draw. A result that
// is not finite and >= 0.0, or a gamma shape or scale that is not finite and
// positive, ends the run with "Invalid random variate.".
double f_random_variate(const PhaseType& ph, const SimParams& P, int dist, double scv);

// Running statistics of the variates of one process; after f_finish_stream,
// var is the variance (divided by n) and scv the SCV.
struct VariateStream {
  std::int64_t n = 0;
  double mean = 0.0;
  double var = 0.0;
  double scv = 0.0;
};

// n += 1; d = x - mean; mean += d / n; var += (x - mean) d.
void f_count_draw(VariateStream& s, double x);

// var := var / n and scv := var / mean^2 (-1.0 when the mean is not
// positive); a stream without draws gets var = scv = 0.0.
void f_finish_stream(VariateStream& s);
