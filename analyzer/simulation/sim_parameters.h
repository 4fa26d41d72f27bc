// Parameters of the simulated distributions per period, from the period's mean
// m and SCV c: lognormal (sigma, mu of the underlying normal), beta (two
// shapes, the range m(2c + 2) and the standard mean 1/(2c + 2)) and gamma
// (shape 1/c, scale c m). Phase-type periods use their fitted Q instead.
#pragma once

#include <array>
#include <vector>

// Distribution codes of the simulated times.
enum SimDistCode { kDistPhaseType = 0, kDistLognormal = 1, kDistBeta = 2, kDistGamma = 3 };

// P[0..3] of one period; entries the code does not use stay 0.0.
using SimParams = std::array<double, 4>;

// P for distribution code `code`, mean m and SCV scv.
SimParams f_distribution_parameters(int code, double m, double scv);

// The parameter blocks of every period of the three processes.
struct SimParameters {
  std::vector<SimParams> iat, ser, abd;
};

// Blocks for the instance just read, from its means and SCVs and the three
// configured distribution codes: arrival periods, then service, then patience.
SimParameters f_build_sim_parameters();
