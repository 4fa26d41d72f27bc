// Moment matching of the simulated distributions: each block gives its
// distribution the period's mean m and SCV c = (scv m m) / (m m).
#include "analyzer/simulation/sim_parameters.h"

#include <cmath>
#include <cstddef>

#include "analyzer/input/config.h"
#include "analyzer/input/instance_data.h"

SimParams f_distribution_parameters(int code, double m, double scv) {
  SimParams P{0.0, 0.0, 0.0, 0.0};
  const double c = (scv * m * m) / (m * m);
  if (code == kDistLognormal) {
    // sigma^2 = ln(1 + c) and mu = ln(m) - sigma^2 / 2.
    const double s = std::sqrt(std::log(1.0 + c));
    P[0] = s;
    P[1] = std::log(m) - (s * 0.5) * s;
  } else if (code == kDistBeta) {
    // Standard beta of mean P[3] and SCV c, stretched to [0, m / P[3]].
    P[3] = 1.0 / (2.0 * c + 2.0);
    P[2] = m / P[3];
    P[0] = (1.0 - (c + 1.0) * P[3]) / c;
    P[1] = (P[3] - 1.0) * (P[3] - 1.0) / (P[3] * c) + (P[3] - 1.0);
  } else if (code == kDistGamma) {
    P[0] = 1.0 / c;
    P[1] = c * m;
  }
  return P;
}

namespace {

std::vector<SimParams> process_blocks(int code, int nr, const std::vector<double>& mean,
                                      const std::vector<double>& scv) {
  std::vector<SimParams> blocks;
  blocks.reserve(static_cast<std::size_t>(nr));
  for (int i = 0; i < nr; ++i) {
    blocks.push_back(f_distribution_parameters(code, mean[static_cast<std::size_t>(i)], scv[static_cast<std::size_t>(i)]));
  }
  return blocks;
}

}  // namespace

SimParameters f_build_sim_parameters() {
  SimParameters par;
  par.iat = process_blocks(gv_CFG_sim_iat_dist, gv_iat_nr, gv_iat_mean, gv_iat_scv);
  par.ser = process_blocks(gv_CFG_sim_ser_dist, gv_ser_nr, gv_ser_mean, gv_ser_scv);
  par.abd = process_blocks(gv_CFG_sim_abd_dist, gv_abd_nr, gv_abd_mean, gv_abd_scv);
  return par;
}
