// A stationary M/M/s/K+M queue: the simulated queue mean, abandoned fraction
// (per admitted arrival) and lost fraction lie in 99.9 % confidence intervals
// (ten seeds) of the birth-death values, with and without thinning.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "tests/analyzer/simulation/sim_fixture.h"

namespace {

constexpr double kLambda = 4.0, kMu = 1.0, kTheta = 0.5;
constexpr int kServers = 3, kPlaces = 5;

struct Measures {
  double queue, abandoned, lost;
};

// Birth rate lambda below s + K, death rate min(n, s) mu + max(n - s, 0) theta.
Measures birth_death() {
  const int top = kServers + kPlaces;
  std::vector<double> p(top + 1, 1.0);
  for (int n = 1; n <= top; ++n) {
    p[n] = p[n - 1] * kLambda / (std::min(n, kServers) * kMu + std::max(n - kServers, 0) * kTheta);
  }
  double total = 0.0, queue = 0.0;
  for (int n = 0; n <= top; ++n) total += p[n];
  for (int n = 0; n <= top; ++n) queue += std::max(n - kServers, 0) * p[n] / total;
  const double lost = p[top] / total;
  return {queue, kTheta * queue / (kLambda * (1.0 - lost)), lost};
}

}  // namespace

TEST(SimulatedQueue, StationaryMMsKMMatchesTheBirthDeathValues) {
  const Measures exact = birth_death();
  const int batches = 10;
  const double t_999 = 4.781;  // two-sided 99.9 % quantile of Student's t, 9 degrees of freedom
  for (int reset : {0, -1}) {
    std::vector<Measures> b;
    for (int seed = 1; seed <= batches; ++seed) {
      // A cycle of 20 intervals of 1; the first of two cycles is the warm-up.
      sim_fixture::Instance inst(20, 1.0, 3, {kServers}, kLambda, kMu, kTheta);
      inst.set.nri = 200;
      inst.set.seed = seed;
      inst.set.reset = reset;
      inst.set.sim_mxq = kPlaces;
      if (reset == -1) {
        // A second period of twice the rates that the calendar never starts:
        // candidates come at twice the rate and half of them are accepted.
        for (auto* fits : {&inst.model.fits.iat, &inst.model.fits.ser, &inst.model.fits.abd}) {
          fits->push_back(sim_fixture::exponential(-2.0 * fits->front().Q[0]));
        }
        inst.par.iat = inst.par.ser = inst.par.abd = {SimParams{}, SimParams{}};
        gv_iat_scv = gv_ser_scv = gv_abd_scv = {1.0, 1.0};
      }
      SimResults r = f_run_simulation(inst.model, inst.par, 2, inst.set, 1);
      f_normalise_sim_results(r, inst.set.nri, 1.0);
      b.push_back({r.nq_area, r.abandonments / (r.arrivals - r.lost), r.lost / r.arrivals});
    }
    for (auto field : {&Measures::queue, &Measures::abandoned, &Measures::lost}) {
      double mean = 0.0, ss = 0.0;
      for (const Measures& m : b) mean += m.*field / batches;
      for (const Measures& m : b) ss += (m.*field - mean) * (m.*field - mean);
      const double half_width = t_999 * std::sqrt(ss / (batches - 1) / batches);
      EXPECT_NEAR(mean, exact.*field, half_width) << "reset " << reset;
      // The interval is narrow enough to tell a wrong queue from the right one.
      EXPECT_LT(half_width, 0.1 * exact.*field) << "reset " << reset;
    }
  }
}
