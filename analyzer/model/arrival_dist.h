// Joint distribution of the number of arrivals in one interval and the arrival
// phase at its end, given the phase at its start, for a phase-type renewal
// arrival process; computed by uniformisation.
#pragma once

#include <cstddef>
#include <vector>

#include "analyzer/model/phase_type.h"

// out[a][b][k]: k = 0..mxq arrivals, start phase a, end phase b (a, b < n).
struct ArrivalBlock {
  int n = 0;    // phases
  int mxq = 0;  // largest count held
  std::vector<double> v;

  std::size_t idx(int a, int b, int k) const {
    return (static_cast<std::size_t>(a) * static_cast<std::size_t>(n) + static_cast<std::size_t>(b)) *
               static_cast<std::size_t>(mxq + 1) +
           static_cast<std::size_t>(k);
  }
  double at(int a, int b, int k) const { return v[idx(a, b, k)]; }
};

// Fills every entry of out (sized here to ph.n phases and counts 0..mxq).
// thin_rate: the uniformisation rate, or -1.0 for the largest diagonal rate of
// ph. mxn_suc: most events per uniformisation step. Each start-phase row is
// normalised to 1, or, when its mass misses 1 by more than precision, reported
// with the insufficient-mass warning and set to 0.0. period is the 0-based
// index of the arrival period; when N Delta L would need more than 2^30
// sub-steps the run ends (form A) naming period + 1, counted from 1 in the
// instance file. Returns true when no row was set to 0.0.
bool f_arrival_dist(ArrivalBlock& out, const PhaseType& ph, double Delta, double thin_rate,
                    int mxq, int mxn_suc, double precision, int period);
