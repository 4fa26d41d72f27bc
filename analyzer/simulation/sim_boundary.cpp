// Boundary of the simulation. Per-interval statistics over iterations are
// running means and sums of squared deviations (Welford): with m iterations,
// dev = x - mean, mean += dev / m, m2 += (x - mean) dev.
#include "analyzer/simulation/sim_boundary.h"

#include <cstddef>
#include <vector>

#include "analyzer/simulation/queue_events.h"
#include "analyzer/simulation/virtual_wait.h"

namespace {

void running_update(std::vector<double>& mean, std::vector<double>& m2, std::vector<double>& dev, std::size_t k,
                    double x, double m) {
  dev[k] = x - mean[k];
  mean[k] = mean[k] + dev[k] / m;
  m2[k] = m2[k] + (x - mean[k]) * dev[k];
}

void close_interval(SimRun& run, int k) {
  SimResults& r = run.res;
  const std::size_t kk = static_cast<std::size_t>(k);
  const double m = static_cast<double>(run.iter + 1);
  const double x = static_cast<double>(run.int_abd_cnt);
  const double y = static_cast<double>(run.live.queue);
  run.int_abd_cnt = 0;
  running_update(r.int_abd_mean, r.int_abd_m2, r.int_abd_dev, kk, x, m);
  r.abandonments = r.abandonments + x;
  running_update(r.int_nq_mean, r.int_nq_m2, r.int_nq_dev, kk, y, m);
  r.int_ns_sum[kk] = r.int_ns_sum[kk] + static_cast<double>(run.live.queue + run.live.busy);
}

}  // namespace

bool f_sim_boundary(SimRun& run) {
  const IntervalGrid& g = *run.grid;
  SimQueue& s = run.live;
  const double t = run.time;
  if (run.last_cycle) close_interval(run, s.int_idx);
  s.int_idx += 1;
  s.bnd_time = s.bnd_time + g.Delta;
  if (s.int_idx == g.n) {
    run.cycle += 1;
    if (run.cycle == run.cycle_count) return false;
    if (run.cycle == run.cycle_count - 1) {
      run.last_cycle = true;
      run.int_abd_cnt = 0;
    }
    s.int_idx = 0;
  }
  const int k = s.int_idx;
  const std::size_t kk = static_cast<std::size_t>(k);
  if (f_advance_cursor(run.per_iat, g.chg_iat[kk], k, run.proc[kIat].nr) && run.reset == 1) {
    // The pending arrival is dropped.
    run.arr_time = t + f_sim_draw(run, kIat, run.per_iat);
  }
  f_queue_calendar(run, s, k, t);
  if (run.last_cycle && g.obs_int_flag[kk]) f_observe(run);
  return true;
}
