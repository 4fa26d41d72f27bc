// The simulation stage: seeding, allocation of every array once per instance,
// the thinning rates, and the iterations of the chosen event loop.
#include "analyzer/simulation/simulation.h"

#include <cmath>
#include <cstddef>
#include <ctime>
#include <sstream>

#include "analyzer/input/config.h"
#include "analyzer/input/instance_data.h"
#include "analyzer/model/count_tables.h"
#include "analyzer/report/cpu_time.h"
#include "analyzer/simulation/event_loops.h"
#include "analyzer/simulation/sim_random.h"
#include "kernel/fatal_exit.h"

SimSettings f_sim_settings() {
  SimSettings set;
  set.nri = gv_CFG_nri;
  set.seed = gv_CFG_sim_seed;
  set.reset = gv_CFG_sim_reset;
  set.sim_mxq = gv_CFG_sim_mxq;
  set.dist[kIat] = gv_CFG_sim_iat_dist;
  set.dist[kSer] = gv_CFG_sim_ser_dist;
  set.dist[kAbd] = gv_CFG_sim_abd_dist;
  return set;
}

namespace {

const char* const kProcessName[3] = {"arrival", "service", "abandonment"};

void allocate(SimRun& run, const IntervalGrid& g, int sim_mxq) {
  SimResults& r = run.res;
  r.n = g.n;
  r.K = g.K;
  r.wait_hist.assign(static_cast<std::size_t>(g.n_obs_max + 1) * static_cast<std::size_t>(g.K + 2), 0.0);
  const std::size_t n = static_cast<std::size_t>(g.n);
  for (std::vector<double>* v : {&r.int_abd_mean, &r.int_abd_var, &r.int_abd_m2, &r.int_abd_dev, &r.int_nq_mean,
                                 &r.int_nq_var, &r.int_nq_m2, &r.int_nq_dev, &r.int_ns_sum}) {
    v->assign(n, 0.0);
  }
  const std::size_t S = static_cast<std::size_t>(g.mxs);
  const std::size_t M = static_cast<std::size_t>(sim_mxq);
  for (SimQueue* s : {&run.live, &run.look}) {
    s->srv_time.assign(S, 0.0);
    s->srv_phase.assign(S, 0);
    s->q_abd_time.assign(M, 0.0);
    s->q_join_time.assign(M, 0.0);
    s->q_abd_phase.assign(M, 0);
  }
}

void set_process(SimProcess& p, const std::vector<PhaseType>& ph, const std::vector<SimParams>& par,
                 const std::vector<double>& scv, int dist, bool thinning) {
  p.ph = &ph;
  p.par = &par;
  p.scv = &scv;
  p.nr = static_cast<int>(ph.size());
  p.dist = dist;
  p.thinned = thinning && dist == kDistPhaseType;
  // The largest absolute entry of all sub-generators of the process.
  p.lmax = f_arrival_thin_rate(ph, -1);
}

}  // namespace

void f_prepare_run(SimRun& run, const ModelInstance& model, const SimParameters& par, int cycle_count,
                   const SimSettings& set, int inst_nr) {
  if (cycle_count < 1) {
    std::ostringstream msg;
    msg << "Instance " << inst_nr << ": the simulation needs at least one model cycle (cycle count "
        << cycle_count << ").";
    f_fatal_exit(msg.str());
  }
  run.grid = &model.grid;
  run.cycle_count = cycle_count;
  run.reset = set.reset;
  run.sim_mxq = set.sim_mxq;
  allocate(run, model.grid, set.sim_mxq);
  const bool thinning = (set.reset == -1);
  set_process(run.proc[kIat], model.fits.iat, par.iat, gv_iat_scv, set.dist[kIat], thinning);
  set_process(run.proc[kSer], model.fits.ser, par.ser, gv_ser_scv, set.dist[kSer], thinning);
  set_process(run.proc[kAbd], model.fits.abd, par.abd, gv_abd_scv, set.dist[kAbd], thinning);
  for (int i = 0; i < 3; ++i) {
    const SimProcess& p = run.proc[static_cast<std::size_t>(i)];
    // Candidates at a rate that is not finite and positive never advance time.
    if (p.thinned && !(std::isfinite(p.lmax) && p.lmax > 0.0)) {
      std::ostringstream msg;
      msg << "Instance " << inst_nr << ": the thinning rate of the " << kProcessName[i] << " process (" << p.lmax
          << ") is not finite and positive; the simulation cannot advance.";
      f_fatal_exit(msg.str());
    }
  }
}

SimResults f_run_simulation(const ModelInstance& model, const SimParameters& par, int cycle_count,
                            const SimSettings& set, int inst_nr) {
  if (set.seed == -1) {
    f_srand(static_cast<std::uint32_t>(std::time(nullptr)));
  } else {
    f_srand(static_cast<std::uint32_t>(set.seed));
  }
  SimRun run;
  f_prepare_run(run, model, par, cycle_count, set, inst_nr);
  const std::clock_t clock0 = std::clock();
  for (int iter = 0; iter < set.nri; ++iter) {
    f_start_iteration(run, iter);
    if (run.reset == -1) {
      f_thinning_loop(run);
    } else {
      f_reset_loop(run);
    }
  }
  run.res.ticks = f_cpu_milliseconds_since(clock0);
  for (VariateStream& s : run.res.streams) f_finish_stream(s);
  f_normalise_sim_results(run.res, set.nri, model.grid.Delta);
  return run.res;
}

void f_normalise_sim_results(SimResults& r, int nri, double Delta) {
  const int n = r.n;
  const double iters = static_cast<double>(nri);
  const double iters_less_one = static_cast<double>(nri - 1);
  // Sample variances over the iterations (each entry independent of the
  // others, so one pass serves both).
  double q_sum = 0.0;
  for (int t = 0; t < n; ++t) {
    const std::size_t k = static_cast<std::size_t>(t);
    r.int_abd_var[k] = r.int_abd_m2[k] / iters_less_one;
    r.int_nq_var[k] = r.int_nq_m2[k] / iters_less_one;
    q_sum = q_sum + r.int_nq_mean[k];
  }
  r.avg_q_int = q_sum / static_cast<double>(n);
  double s_sum = 0.0;
  for (int t = 0; t < n; ++t) {
    const std::size_t k = static_cast<std::size_t>(t);
    r.int_ns_sum[k] = r.int_ns_sum[k] / iters;
    s_sum = s_sum + r.int_ns_sum[k];
  }
  r.avg_sys_int = s_sum / static_cast<double>(n);
  const double cycle_time = Delta * static_cast<double>(n);
  r.nq_area = (r.nq_area / iters) / cycle_time;
  r.ns_area = (r.ns_area / iters) / cycle_time;
  for (double& v : r.wait_hist) v = v / iters;
  r.cpu = static_cast<double>(r.ticks) / 1000.0;
}
