// Two-moment phase-type fits: exponential for SCV 1, a hypo-exponential chain
// of n = ceil(1/c) phases for SCV below 1, a two-phase Coxian for SCV above 1.
#include <cmath>
#include <cstddef>
#include <limits>

#include "analyzer/model/phase_type.h"
#include "kernel/fatal_exit.h"

namespace {

// n * c computed as (n - 1) * c + c may fall below 1 by a few units in the
// last place when c is the double nearest to 1/n from below; the chain's
// radicand is then negative by rounding alone and stands for 0 (the Erlang
// fit). Anything further below 0 is left as it is.
constexpr double kRadicandRoundingSlack = 4.0 * std::numeric_limits<double>::epsilon();

void set_entry(PhaseType& ph, int i, int j, double value) {
  ph.Q[static_cast<std::size_t>(i) * static_cast<std::size_t>(ph.n) + static_cast<std::size_t>(j)] = value;
}

void fit_exponential(PhaseType& ph, double a) {
  set_entry(ph, 0, 0, -a);
  ph.alpha[0] = 1.0;
}

// Phases 0..n-2 at the common rate mu, the last at mu_last, solving
// (n-1)/mu + 1/mu_last = 1/a and (n-1)/mu^2 + 1/mu_last^2 = c/a^2.
void fit_hypo_exponential(PhaseType& ph, double a, int n, double c, double precision) {
  double d = static_cast<double>(n - 1);
  double s = d * c;
  double nc_minus_1 = (s + c) - 1.0;
  if (nc_minus_1 < 0.0 && nc_minus_1 >= -kRadicandRoundingSlack) nc_minus_1 = 0.0;
  double R = nc_minus_1 * ((a * a) * d);
  double D = std::sqrt(R);
  double mu = (d * a - D) / (1.0 - c);
  double mu_last = (a + D) / (1.0 - s);

  for (int k = 0; k <= n - 2; ++k) {
    set_entry(ph, k, k, -mu);
    set_entry(ph, k, k + 1, mu);
  }
  set_entry(ph, n - 1, n - 1, -mu_last);
  ph.alpha[0] = 1.0;

  double inv_a = 1.0 / a;
  // Target mean minus fitted mean.
  double e = (inv_a - d / mu) - 1.0 / mu_last;
  if (e > precision)
    f_fatal_exit_own_prompt(
        "Error in computation of expected value of the hypo-exponential distribution. Press any key to quit.");
  // Fitted variance minus target variance.
  e = (d / (mu * mu) + 1.0 / (mu_last * mu_last)) - (inv_a * c) * inv_a;
  if (e > precision)
    f_fatal_exit_own_prompt(
        "Error in computation of variance of the hypo-exponential distribution. Press any key to quit.");
}

// Phase 0 at mu1 carries the share kappa of the mean; it passes to phase 1
// (rate mu2) with probability p.
void fit_coxian(PhaseType& ph, double a, double c, double kappa, double precision) {
  double mu1 = a / kappa;
  double mu2 = ((2.0 * a) * (kappa - 1.0)) / ((2.0 * kappa - 1.0) - c);
  double p = ((2.0 * (kappa - 1.0)) * (kappa - 1.0)) / ((c + 1.0) - 2.0 * kappa);

  set_entry(ph, 0, 0, -mu1);
  set_entry(ph, 0, 1, p * mu1);
  set_entry(ph, 1, 1, -mu2);
  ph.alpha[0] = 1.0;

  double inv_a = 1.0 / a;
  // Target mean minus fitted mean.
  double e = (inv_a - 1.0 / mu1) - p / mu2;
  if (e > precision)
    f_fatal_exit_own_prompt(
        "Error in computation of expected value of the two-phase Coxian distribution. Press any key to quit.");
  // Target variance minus fitted variance 1/mu1^2 + (2p - p^2)/mu2^2.
  e = ((((inv_a * c) * inv_a) - 1.0 / (mu1 * mu1)) - (2.0 * p) / (mu2 * mu2)) + (p * p) / (mu2 * mu2);
  if (e > precision)
    f_fatal_exit_own_prompt(
        "Error in computation of variance of the two-phase Coxian distribution. Press any key to quit.");
}

}  // namespace

int f_number_of_phases(double c) {
  if (c == 1.0) return 1;
  if (c < 1.0) return static_cast<int>(std::ceil(1.0 / c));
  return 2;
}

void f_PH_fit(PhaseType& ph, double a, int n, double c, double kappa, double precision) {
  ph.n = n;
  ph.Q.assign(static_cast<std::size_t>(n) * static_cast<std::size_t>(n), 0.0);
  ph.alpha.assign(static_cast<std::size_t>(n), 0.0);
  if (c == 1.0)
    fit_exponential(ph, a);
  else if (c < 1.0)
    fit_hypo_exponential(ph, a, n, c, precision);
  else
    fit_coxian(ph, a, c, kappa, precision);
}
