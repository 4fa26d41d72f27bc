// Builds the run tables, configuration and instance data of the model's
// initialisation by hand, for tests that run it in-process.
#pragma once

#include <cstddef>
#include <vector>

#include "analyzer/input/config.h"
#include "analyzer/input/instance_data.h"
#include "analyzer/input/run_tables.h"
#include "tests/analyzer/input/config_fixture.h"

namespace init_fixture {

struct Period {
  double dur;
  double mean;
  double scv;
};

struct ServerPeriod {
  double dur;
  int s;
};

// Exact binomial coefficients of order N by Pascal's rule (0 above the
// diagonal), as BINOMDIST.DAT holds them.
inline void set_exact_binom(int N) {
  binom_n = N;
  std::size_t side = static_cast<std::size_t>(N) + 1;
  binom.assign(side * side, 0.0);
  for (std::size_t i = 0; i < side; ++i) {
    binom[i * side] = 1.0;
    for (std::size_t j = 1; j <= i; ++j) binom[i * side + j] = binom[(i - 1) * side + j - 1] + binom[(i - 1) * side + j];
  }
}

// e, the factorials, an exact binomial table of order 100 and the input
// tests' valid configuration: Delta 0.1, mxt 2, gv_CFG_mxq 20 used as is,
// observation every time unit, 10 successes, no two-phase advancement, no
// thinning, kappa 0.5, precision 1e-6.
inline void set_run_defaults() {
  f_set_constants();
  f_build_factorials();
  set_exact_binom(100);
  set_valid_config();
}

inline void set_block(const std::vector<Period>& periods, double kappa, int& nr, std::vector<double>& dur,
                      std::vector<double>& mean, std::vector<double>& scv, std::vector<double>& kap) {
  nr = static_cast<int>(periods.size());
  dur.clear();
  mean.clear();
  scv.clear();
  kap.clear();
  for (const Period& p : periods) {
    dur.push_back(p.dur);
    mean.push_back(p.mean);
    scv.push_back(p.scv);
    kap.push_back(kappa);
  }
}

inline void set_arrivals(const std::vector<Period>& p) {
  set_block(p, gv_CFG_iat_kappa, gv_iat_nr, gv_iat_dur, gv_iat_mean, gv_iat_scv, gv_iat_kappa);
}
inline void set_service(const std::vector<Period>& p) {
  set_block(p, gv_CFG_ser_kappa, gv_ser_nr, gv_ser_dur, gv_ser_mean, gv_ser_scv, gv_ser_kappa);
}
inline void set_patience(const std::vector<Period>& p) {
  set_block(p, gv_CFG_abd_kappa, gv_abd_nr, gv_abd_dur, gv_abd_mean, gv_abd_scv, gv_abd_kappa);
}
inline void set_servers(const std::vector<ServerPeriod>& periods) {
  gv_srv_nr = static_cast<int>(periods.size());
  gv_srv_dur.clear();
  gv_srv_s.clear();
  for (const ServerPeriod& p : periods) {
    gv_srv_dur.push_back(p.dur);
    gv_srv_s.push_back(p.s);
  }
}

// One period per process over a cycle of length T: arrival mean and SCV,
// service mean and SCV, patience mean and SCV, s servers.
inline void set_single_period_instance(double T, double iat_mean, double iat_scv, double ser_mean, double ser_scv,
                                       double abd_mean, double abd_scv, int s) {
  set_arrivals({{T, iat_mean, iat_scv}});
  set_service({{T, ser_mean, ser_scv}});
  set_patience({{T, abd_mean, abd_scv}});
  set_servers({{T, s}});
}

}  // namespace init_fixture
