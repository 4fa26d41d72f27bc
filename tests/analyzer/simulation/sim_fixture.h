// Small simulated instances built by hand: an interval grid with its calendar
// and exponential or fitted periods, ready for the simulation's functions.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "analyzer/input/config.h"
#include "analyzer/input/instance_data.h"
#include "analyzer/input/run_tables.h"
#include "analyzer/model/phase_type.h"
#include "analyzer/simulation/sim_random.h"
#include "analyzer/simulation/simulation.h"

namespace sim_fixture {

// An exponential fit of the given rate.
inline PhaseType exponential(double rate) { return PhaseType{1, {-rate}, {1.0}}; }

// n intervals of length Delta with servers[k] in interval k (a shorter list
// repeats its last value), longest wait K, observation flags obs (default:
// interval 0 only), and one exponential period per process unless replaced.
struct Instance {
  ModelInstance model;
  SimParameters par;
  SimSettings set;

  Instance(int n, double Delta, int K, std::vector<int> servers, double lambda, double mu, double theta,
           std::vector<unsigned char> obs = {}) {
    f_set_constants();
    IntervalGrid& g = model.grid;
    g.n = n;
    g.Delta = Delta;
    g.K = K;
    g.srv_int.resize(static_cast<std::size_t>(n));
    g.srv_chg.assign(static_cast<std::size_t>(n), 0);
    for (std::size_t k = 0; k < g.srv_int.size(); ++k) g.srv_int[k] = servers[std::min(k, servers.size() - 1)];
    for (std::size_t k = 0; k < g.srv_int.size(); ++k) {
      g.srv_chg[k] = g.srv_int[k] - g.srv_int[k == 0 ? g.srv_int.size() - 1 : k - 1];
      g.mxs = std::max(g.mxs, g.srv_int[k]);
    }
    g.chg_iat = g.chg_ser = g.chg_abd = std::vector<unsigned char>(static_cast<std::size_t>(n), 0);
    if (obs.empty()) {
      obs.assign(static_cast<std::size_t>(n), 0);
      obs[0] = 1;
    }
    g.obs_int_flag = obs;
    g.n_obs_max = static_cast<int>(std::count(obs.begin(), obs.end(), 1));
    model.fits.iat = {exponential(lambda)};
    model.fits.ser = {exponential(mu)};
    model.fits.abd = {exponential(theta)};
    par.iat = par.ser = par.abd = {SimParams{}};
    gv_iat_scv = gv_ser_scv = gv_abd_scv = {1.0};
    set = {1, 1, 0, 10, {0, 0, 0}};  // nri, seed, reset, sim_mxq, codes
  }

  // A prepared run with an empty system at time 0 and f_rand restarted.
  SimRun run(int cycle_count = 1) {
    f_reset_random_sources();
    SimRun r;
    f_prepare_run(r, model, par, cycle_count, set, 1);
    return r;
  }
};

}  // namespace sim_fixture
