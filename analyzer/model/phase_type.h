// Phase-type distributions fitted from a mean and an SCV: the number of phases
// and the sub-generator Q (row-major, order n) with initial vector alpha.
#pragma once

#include <cstddef>
#include <vector>

struct PhaseType {
  int n = 0;                  // number of phases, the order of Q
  std::vector<double> Q;      // n x n, row-major; Q[i][i] = -rate of phase i
  std::vector<double> alpha;  // initial vector; all mass on phase 0 after a fit

  double q(int i, int j) const {
    return Q[static_cast<std::size_t>(i) * static_cast<std::size_t>(n) + static_cast<std::size_t>(j)];
  }
};

// Phases for an SCV c: 1 when c == 1.0 exactly, ceil(1/c) when c < 1.0,
// otherwise (c > 1.0 or not a number) 2.
int f_number_of_phases(double c);

// Fits ph with n phases to rate a = 1/mean and SCV c (kappa: the Coxian
// parameter when c > 1). Q and alpha are set to zero at order n, then filled.
// A fitted mean or variance that differs from the requested one by more than
// precision, in the direction its one-sided check tests (the chain's variance:
// fitted minus target; the others: target minus fitted), ends the run with the
// fit's error message. For c < 1 a radicand (n c - 1)(n - 1)a^2 that rounding
// alone makes negative counts as 0 (the Erlang fit).
void f_PH_fit(PhaseType& ph, double a, int n, double c, double kappa, double precision);
