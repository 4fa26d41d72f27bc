// The pass over the state distribution (swap, clear, add), the saved copy of
// the current slice, and the change of arrival phases between periods.
#include "analyzer/model/state_pass.h"

#include <algorithm>

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

// Applies fn(k) to the index k of every used entry of slice memory, in
// storage order (a, j, l, q, r).
template <class Fn>
void for_used_entries(const StateDist& st, const StateRange& rg, Fn fn) {
  if (rg.exp) {
    for (int j = 0; j <= rg.mxs; ++j) {
      std::size_t base = st.block(0, j, 0);
      for (std::size_t i = 0; i < rg.B; i += rg.Q) fn(base + i);
    }
  } else {
    std::size_t end = static_cast<std::size_t>(rg.n_a) * st.pairs * rg.B;
    for (std::size_t k = 0; k < end; ++k) fn(k);
  }
}

}  // namespace

PassSlices f_begin_pass(StateDist& st, const StateRange& rg) {
  st.slice_src = 1 - st.slice_src;
  st.slice_cur = 1 - st.slice_cur;
  if (rg.exp) {
    double* cur = st.slice[st.slice_cur].data();
    for_used_entries(st, rg, [cur](std::size_t k) { cur[k] = 0.0; });
  } else {
    f_clear_state(st, rg.n_a, rg.mxs, st.slice_cur);
  }
  return PassSlices{st.slice[st.slice_src].data(), st.slice[st.slice_cur].data(), st.work.data()};
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
    for (std::size_t k = 0; k < phase; ++k) ps.cur[k] += ps.src[k];
    for (std::size_t k = 0; k < phase; ++k) ps.cur[k] += ps.src[phase + k];
  } else {
    double* cur = st.slice[st.slice_cur].data();
    std::fill(cur + phase, cur + 2 * phase, 0.0);
  }
}
