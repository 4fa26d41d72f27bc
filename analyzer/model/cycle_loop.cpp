// Cycle loop: from the empty system, cycles of n intervals run until the
// configured number of cycles, or until the sum of the expected queue over a
// cycle agrees with that of the previous cycle within gv_CFG_precision_stat
// and one more, measured, cycle has run.
#include "analyzer/model/cycle_loop.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <sstream>

#include "analyzer/input/config.h"
#include "analyzer/model/background_sums.h"
#include "analyzer/model/interval_statistics.h"
#include "analyzer/model/interval_step.h"
#include "analyzer/model/queue_to_service.h"
#include "analyzer/model/wait_lookahead.h"
#include "kernel/fatal_exit.h"

namespace {

// Bound on the cycles of the steady-cycle mode.
constexpr int kMaxSteadyCycles = 10000;

void cursors_to_last_periods(const ModelInstance& inst, CycleState& cyc) {
  cyc.per_iat = static_cast<int>(inst.fits.iat.size()) - 1;
  cyc.per_ser = static_cast<int>(inst.fits.ser.size()) - 1;
  cyc.per_abd = static_cast<int>(inst.fits.abd.size()) - 1;
}

// Starting values: result rows cleared, cursors on the last periods, and the
// whole mass on arrival phase 0 with nobody in the system.
void start_cycles(ModelInstance& inst, CycleState& cyc) {
  const std::size_t n = static_cast<std::size_t>(inst.grid.n);
  ModelResults& res = inst.results;
  cyc.q_par_prev = 0;
  cyc.q_par_cur = 1;
  res.q_avg[0].resize(n);
  res.q_avg[1].assign(n, 0.0);
  res.q_var.assign(n, 0.0);
  res.abd_avg.assign(n, 0.0);
  res.sys_avg.assign(n, 0.0);
  res.sys_avg_pre_arr.assign(n, 0.0);
  cyc.last_cycle = gv_CFG_nrc == 1;
  cyc.reflections = 0.0;
  cursors_to_last_periods(inst, cyc);
  cyc.n_obs = 0;
  cyc.cycle_count = 0;
  cyc.model_done = false;
  cyc.int_idx = 0;
  StateDist& st = inst.state;
  std::fill(st.slice[0].begin(), st.slice[0].end(), 0.0);
  std::fill(st.slice[1].begin(), st.slice[1].end(), 0.0);
  st.slice_src = 0;
  st.slice_cur = 1;
  st.slice[1][st.idx(0, 0, 0, 0, 0)] = 1.0;
  cyc.arr_phases_held = 1;
}

// The state holds two arrival phases; an arrival period fitted with more
// (SCV below 0.5) cannot be stepped.
void check_arrival_phases(const ModelInstance& inst, int inst_nr) {
  for (std::size_t p = 0; p < inst.fits.iat.size(); ++p) {
    if (inst.fits.iat[p].n <= 2) continue;
    std::ostringstream msg;
    msg << "Instance " << inst_nr << ": arrival period " << p + 1 << " is fitted with " << inst.fits.iat[p].n
        << " phases (SCV below 0.5); the model holds at most two arrival phases.";
    f_fatal_exit(msg.str());
  }
}

}  // namespace

double f_steady_cycle_measure(const ModelResults& res, int q_par_cur, int q_par_prev, int n,
                              int inst_nr, int cycle) {
  double U = 0.0, V = 0.0;
  for (int t = 0; t < n; ++t) U += res.q_avg[q_par_cur][static_cast<std::size_t>(t)];
  for (int t = 0; t < n; ++t) V += res.q_avg[q_par_prev][static_cast<std::size_t>(t)];
  const double d = U > 0.0 ? std::fabs(1.0 - V / U) : V;
  // U > 0.0 fails for a U that is not a number, and V / U is 0.0 for an
  // infinite U: either sum can hide behind a finite d.
  if (!std::isfinite(U) || !std::isfinite(V) || !std::isfinite(d)) {
    std::ostringstream msg;
    msg << "The steady-cycle test of instance " << inst_nr << " is not a finite number after cycle " << cycle
        << " (expected queue summed over the cycle: " << U << ", over the cycle before: " << V << ").";
    f_fatal_exit(msg.str());
  }
  return d;
}

CycleState f_run_model_cycles(ModelInstance& inst, int inst_nr) {
  CycleState cyc;
  cyc.inst_nr = inst_nr;
  const int n = inst.grid.n;
  const int K = inst.grid.K;
  ModelResults& res = inst.results;
  check_arrival_phases(inst, inst_nr);
  if (!inst.fits.layout_exp) f_build_queue_split_rows(inst.splits, inst.state.mxs);
  start_cycles(inst, cyc);
  std::cout << "COMPLETE" << "\n" << "MODEL CYCLES ANALYZED: ";
  cyc.cyc_clock0 = std::clock();
  // The measured cycle's running sums go to a thread of their own; they are
  // complete after finish().
  BackgroundSums background;

  while (true) {
    cyc.q_par_prev = 1 - cyc.q_par_prev;
    cyc.q_par_cur = 1 - cyc.q_par_cur;
    std::fill(res.q_avg[cyc.q_par_cur].begin(), res.q_avg[cyc.q_par_cur].end(), 0.0);
    if (cyc.last_cycle) {
      res.wait_prob.assign(static_cast<std::size_t>(inst.grid.n_obs_max + 1) * static_cast<std::size_t>(K + 1), 0.0);
      background.start();
      cyc.background = &background;
    }
    for (int t = 0; t < n; ++t) {
      cyc.int_idx = t;
      f_interval_step(inst, cyc);
      f_close_interval(inst, cyc);
      if (cyc.last_cycle && inst.grid.obs_int_flag[static_cast<std::size_t>(t)]) f_wait_lookahead(inst, cyc);
    }

    ++cyc.cycle_count;
    if (cyc.last_cycle) {
      background.finish();
      cyc.background = nullptr;
      cyc.model_done = true;
    } else if (gv_CFG_nrc == 0) {
      const double d = f_steady_cycle_measure(res, cyc.q_par_cur, cyc.q_par_prev, n, inst_nr, cyc.cycle_count);
      if (gv_CFG_precision_stat >= d) cyc.last_cycle = true;
    } else {
      cyc.last_cycle = cyc.cycle_count == gv_CFG_nrc - 1;
    }
    cursors_to_last_periods(inst, cyc);
    cyc.int_idx = 0;
    std::cout << "[" << cyc.cycle_count << "]" << std::flush;
    if (cyc.model_done) break;
    if (gv_CFG_nrc == 0 && !cyc.last_cycle && cyc.cycle_count >= kMaxSteadyCycles) {
      std::ostringstream msg;
      msg << "No steady cycle was reached for instance " << inst_nr << " in " << kMaxSteadyCycles
          << " cycles. A fixed number of cycles can be set in CONFIG.DAT.";
      f_fatal_exit(msg.str());
    }
  }
  return cyc;
}
