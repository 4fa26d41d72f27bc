// The pass over the state distribution (flip, clear, add), the saved copy of
// the current slice, and the change of arrival phases between periods.
#include "analyzer/model/state_pass.h"

#include <algorithm>

#include <omp.h>

#include "analyzer/model/pass_split.h"

StateRange f_state_range(const ModelInstance& inst, int per_iat) {
  const StateDist& st = inst.state;
  StateRange rg;
  rg.exp = inst.fits.layout_exp;
  rg.n_a = rg.exp ? 1 : inst.fits.iat[static_cast<std::size_t>(per_iat)].n;
  rg.mxs = st.mxs;
  rg.mxq = st.mxq;
  rg.Q = static_cast<std::size_t>(st.mxq + 1);
  rg.B = st.qr_size();
  rg.r_len = rg.exp ? 1 : st.mxq + 1;
  return rg;
}

namespace {

// Applies fn(k) to the index k of every used entry of slice memory; every
// entry is independent of the others.
template <class Fn>
void for_used_entries(const StateDist& st, const StateRange& rg, Fn fn) {
  if (rg.exp) {
    for (int j = 0; j <= rg.mxs; ++j) {
      std::size_t base = st.block(0, j, 0);
      for (std::size_t i = 0; i < rg.B; i += rg.Q) fn(base + i);
    }
  } else {
    f_parallel_ranges(static_cast<std::size_t>(rg.n_a) * st.pairs * rg.B, [&](std::size_t lo, std::size_t hi) {
      for (std::size_t k = lo; k < hi; ++k) fn(k);
    });
  }
}

// Working space of one thread: one (q, r) block.
std::size_t thread_work_size(const StateDist& st) { return st.qr_size(); }

}  // namespace

PassSlices f_flip_slices(StateDist& st) {
  st.slice_src = 1 - st.slice_src;
  st.slice_cur = 1 - st.slice_cur;
  const std::size_t stride = thread_work_size(st);
  const std::size_t need = stride * static_cast<std::size_t>(omp_get_max_threads());
  if (st.work.size() < need) st.work.resize(need);
  return PassSlices{st.slice[st.slice_src].data(), st.slice[st.slice_cur].data(), st.work.data(), stride};
}

PassSlices f_begin_pass(StateDist& st, const StateRange& rg) {
  PassSlices ps = f_flip_slices(st);
  if (rg.exp) {
    for_used_entries(st, rg, [&ps](std::size_t k) { ps.cur[k] = 0.0; });
  } else {
    f_clear_state(st, rg.n_a, rg.mxs, st.slice_cur);
  }
  return ps;
}

PassSlices f_thread_slices(PassSlices ps) {
  ps.work += static_cast<std::size_t>(omp_get_thread_num()) * ps.work_stride;
  return ps;
}

void f_save_state(StateDist& st, const StateRange& rg) {
  const double* cur = st.slice[st.slice_cur].data();
  double* saved = st.saved.data();
  for_used_entries(st, rg, [cur, saved](std::size_t k) { saved[k] = cur[k]; });
}

void f_restore_state(StateDist& st, const StateRange& rg) {
  double* cur = st.slice[st.slice_cur].data();
  const double* saved = st.saved.data();
  for_used_entries(st, rg, [cur, saved](std::size_t k) { cur[k] = saved[k]; });
}

void f_change_arrival_phases(StateDist& st, const StateRange& rg, int held) {
  if (rg.exp || held == rg.n_a) return;
  std::size_t phase = st.pairs * rg.B;  // entries of one arrival phase
  if (held > rg.n_a) {
    // Every (j, l, q, r) of phase 1 receives its own value, then that of phase 2.
    PassSlices ps = f_begin_pass(st, rg);
    f_parallel_ranges(phase, [&](std::size_t lo, std::size_t hi) {
      for (std::size_t k = lo; k < hi; ++k) ps.cur[k] += ps.src[k];
      for (std::size_t k = lo; k < hi; ++k) ps.cur[k] += ps.src[phase + k];
    });
  } else {
    double* cur = st.slice[st.slice_cur].data();
    f_parallel_ranges(phase, [&](std::size_t lo, std::size_t hi) { std::fill(cur + phase + lo, cur + phase + hi, 0.0); });
  }
}
