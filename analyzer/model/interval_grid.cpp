// The interval grid of an instance: working queue bound, Delta, sizes and the
// per-interval calendar.
#include "analyzer/model/interval_grid.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <sstream>
#include <string>

#include "analyzer/input/config.h"
#include "analyzer/input/instance_data.h"
#include "analyzer/input/instance_file.h"
#include "kernel/int_power.h"
#include "kernel/fatal_exit.h"

namespace {

// Cycle length: the server period durations added in index order, the total
// against which the reader matched the other three blocks.
double cycle_length() {
  double T = 0.0;
  for (int i = 0; i < gv_srv_nr; ++i) T += gv_srv_dur[static_cast<std::size_t>(i)];
  return T;
}

// ceil(length / Delta) as an int, or a refusal naming the instance, the cycle
// length, Delta and the setting to change when the count is not finite or
// leaves the int range; checked before anything is sized by it.
int whole_intervals(double count, const char* what, const char* change, double T, double Delta,
                    int inst_nr) {
  // A negative cycle comes from a negative duration, which the Delta check
  // refuses next.
  if (count < 0.0) return 0;
  if (count <= static_cast<double>(INT_MAX)) return static_cast<int>(count);
  std::ostringstream msg;
  msg.precision(15);
  msg << "Instance " << inst_nr << ": " << what << " is " << count << " intervals (cycle length " << T
      << ", Delta " << Delta << "), more than " << INT_MAX << "; " << change << ".";
  f_fatal_exit(msg.str());
}

// An observation interval length of 0.0, or one so small that the number of
// observation moments leaves the int range, makes every interval one.
bool observation_every_interval(double T, double obs_int) {
  double count = std::ceil(T / obs_int);
  return !(count <= static_cast<double>(INT_MAX));
}

// A process's period cursor over the calendar's sample points.
struct PeriodCursor {
  const std::vector<double>* dur;
  int nr;
  int idx = 0;
  double end = 0.0;

  double cycle;

  PeriodCursor(const std::vector<double>& d, int n, double T) : dur(&d), nr(n), end(d[0]), cycle(T) {
    snap();
  }

  // An edge that differs from the cycle end only by the rounding of its sum
  // is the cycle end.
  void snap() {
    if (f_same_cycle_length(end, cycle)) end = cycle;
  }

  // True when the sample point t enters the next period. A point past the end
  // of the last period keeps the last period and reports no change.
  bool advance(double t) {
    if (t >= end && idx < nr - 1) {
      ++idx;
      end += (*dur)[static_cast<std::size_t>(idx)];
      snap();
      return true;
    }
    return false;
  }
};

// The wrap from the last period to the first changes the process unless the
// two agree exactly in mean, SCV and kappa.
bool changes_at_wrap(int nr, const std::vector<double>& mean, const std::vector<double>& scv,
                     const std::vector<double>& kappa) {
  std::size_t last = static_cast<std::size_t>(nr - 1);
  return !(mean[last] == mean[0] && scv[last] == scv[0] && kappa[last] == kappa[0]);
}

}  // namespace

int f_working_queue_bound(std::vector<double>& mms_dist, int cfg_mxq, double cfg_precision) {
  int s = gv_srv_s[0];
  for (int i = 1; i < gv_srv_nr; ++i) s = std::min(s, gv_srv_s[static_cast<std::size_t>(i)]);
  if (s == 0) s = 1;
  // p[0..s-1] and p[s..cfg_mxq] share the array, so it holds both ranges.
  std::size_t size = static_cast<std::size_t>(std::max(s, cfg_mxq + 1));
  mms_dist.assign(size, 0.0);
  if (cfg_precision == -1.0) return cfg_mxq;

  double lam = 1.0 / gv_iat_mean[0];
  for (int i = 1; i < gv_iat_nr; ++i) {
    double rate = 1.0 / gv_iat_mean[static_cast<std::size_t>(i)];
    if (rate < lam) lam = rate;
  }
  double mu = -1.0;
  for (int i = 0; i < gv_ser_nr; ++i) {
    double rate = 1.0 / gv_ser_mean[static_cast<std::size_t>(i)];
    if (rate > mu) mu = rate;
  }
  double cmax = gv_iat_scv[0];
  for (int i = 0; i < gv_iat_nr; ++i) cmax = std::max(cmax, gv_iat_scv[static_cast<std::size_t>(i)]);
  for (int i = 0; i < gv_ser_nr; ++i) cmax = std::max(cmax, gv_ser_scv[static_cast<std::size_t>(i)]);
  double rho = lam / (static_cast<double>(s) * mu);

  std::vector<double>& p = mms_dist;
  p[0] = 1.0;
  for (int n = 1; n < s; ++n) {
    std::size_t k = static_cast<std::size_t>(n);
    p[k] = p[k - 1] * lam / (static_cast<double>(n) * mu);
  }
  std::size_t last = static_cast<std::size_t>(s - 1);
  double total = p[last] * rho / (1.0 - rho);
  for (std::size_t k = 0; k <= last; ++k) total += p[k];
  // An unstable queue has no stationary distribution to take a tail from.
  if (!(rho < 1.0) || !(std::isfinite(total) && total > 0.0)) return cfg_mxq;
  for (std::size_t k = 0; k <= last; ++k) p[k] *= 1.0 / total;
  for (int n = s; n <= cfg_mxq; ++n) p[static_cast<std::size_t>(n)] = f_int_power(rho, n - s + 1) * p[last];

  double rem = 1.0;
  int n_star = -1;
  for (int n = 0; n <= cfg_mxq; ++n) {
    rem = rem - p[static_cast<std::size_t>(n)];
    if (cfg_precision > rem) {
      n_star = n;
      break;
    }
  }
  if (n_star < 0) return cfg_mxq;

  // The tail point grows with the variability of arrivals and service.
  double scaled = static_cast<double>(n_star);
  if (cmax < 1.0) {
    scaled = std::floor(std::sqrt(cmax) * n_star + 0.5);
  } else if (cmax > 1.0) {
    scaled = std::floor(cmax * n_star + 0.5);
  }
  // Compared as doubles, so that a huge factor cannot overflow an int.
  if (scaled < 5.0) return 5;
  return scaled < static_cast<double>(cfg_mxq) ? static_cast<int>(scaled) : cfg_mxq;
}

double f_interval_length() {
  if (gv_CFG_Delta == 0) return gv_CFG_Delta_abs;
  double sum = 0.0;
  for (int i = 0; i < gv_ser_nr; ++i) sum += gv_ser_mean[static_cast<std::size_t>(i)];
  return sum / gv_ser_nr;
}

void f_check_delta(double Delta) {
  const std::vector<double>* blocks[] = {&gv_iat_dur, &gv_ser_dur, &gv_abd_dur, &gv_srv_dur};
  const int counts[] = {gv_iat_nr, gv_ser_nr, gv_abd_nr, gv_srv_nr};
  for (int b = 0; b < 4; ++b) {
    for (int i = 0; i < counts[b]; ++i) {
      if (Delta > (*blocks[b])[static_cast<std::size_t>(i)]) {
        f_fatal_exit_own_prompt("Delta is set too large. Press any key to quit.");
      }
    }
  }
}

void f_build_calendar(IntervalGrid& grid) {
  std::size_t n = static_cast<std::size_t>(grid.n);
  grid.srv_int.assign(n, 0);
  grid.srv_chg.assign(n, 0);
  grid.chg_iat.assign(n, 0);
  grid.chg_ser.assign(n, 0);
  grid.chg_abd.assign(n, 0);
  grid.obs_int_flag.assign(n, 0);

  double T = cycle_length();
  bool every_obs = observation_every_interval(T, gv_CFG_obs_int);
  PeriodCursor iat(gv_iat_dur, gv_iat_nr, T);
  PeriodCursor ser(gv_ser_dur, gv_ser_nr, T);
  PeriodCursor abd(gv_abd_dur, gv_abd_nr, T);
  PeriodCursor srv(gv_srv_dur, gv_srv_nr, T);
  double o = gv_CFG_obs_int;
  // Each interval is judged at the point Delta / n_int after its start, the
  // point reached by adding Delta once per interval.
  double t = grid.Delta / grid.n_int;
  for (std::size_t k = 1; k < n; ++k) {
    t = t + grid.Delta;
    grid.chg_iat[k] = iat.advance(t);
    grid.chg_ser[k] = ser.advance(t);
    grid.chg_abd[k] = abd.advance(t);
    int before = gv_srv_s[static_cast<std::size_t>(srv.idx)];
    grid.srv_chg[k] = srv.advance(t) ? gv_srv_s[static_cast<std::size_t>(srv.idx)] - before : 0;
    grid.srv_int[k] = gv_srv_s[static_cast<std::size_t>(srv.idx)];
    if (every_obs) {
      grid.obs_int_flag[k] = 1;
    } else if (t >= o) {
      grid.obs_int_flag[k] = 1;
      o = o + gv_CFG_obs_int;
    }
  }

  if (n == 0) return;
  grid.chg_iat[0] = changes_at_wrap(gv_iat_nr, gv_iat_mean, gv_iat_scv, gv_iat_kappa);
  grid.chg_ser[0] = changes_at_wrap(gv_ser_nr, gv_ser_mean, gv_ser_scv, gv_ser_kappa);
  grid.chg_abd[0] = changes_at_wrap(gv_abd_nr, gv_abd_mean, gv_abd_scv, gv_abd_kappa);
  grid.srv_int[0] = gv_srv_s[0];
  grid.srv_chg[0] = gv_srv_s[0] - gv_srv_s[static_cast<std::size_t>(gv_srv_nr - 1)];
  grid.obs_int_flag[0] = 1;
}

void f_build_interval_grid(IntervalGrid& grid, int inst_nr) {
  gv_mxq = f_working_queue_bound(grid.mms_dist, gv_CFG_mxq, gv_CFG_mxq_precision);
  grid.Delta = f_interval_length();

  double T = cycle_length();
  grid.n_int = std::ceil(T / grid.Delta);
  grid.mxw = std::ceil(gv_CFG_mxt / grid.Delta);
  grid.n = whole_intervals(grid.n_int, "the cycle", "increase Delta (gv_CFG_Delta_abs) or shorten the cycle",
                           T, grid.Delta, inst_nr);
  grid.K = whole_intervals(grid.mxw, "the longest wait of interest (gv_CFG_mxt)",
                           "decrease gv_CFG_mxt or increase Delta", T, grid.Delta, inst_nr);
  if (observation_every_interval(T, gv_CFG_obs_int)) {
    grid.n_obs_max = grid.n;
  } else {
    double count = std::ceil(T / gv_CFG_obs_int);
    grid.n_obs_max = count >= 0.0 && count < grid.n ? static_cast<int>(count) : grid.n;
  }
  grid.mxs = 0;
  for (int j = 0; j < gv_srv_nr; ++j) grid.mxs = std::max(grid.mxs, gv_srv_s[static_cast<std::size_t>(j)]);

  f_check_delta(grid.Delta);
  f_build_calendar(grid);
}
