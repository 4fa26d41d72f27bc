// One pass over the state distribution: the slice just written becomes the
// source, the other slice is cleared over the range the layout uses, and the
// pass adds contributions from the source into it. Every change of the
// distribution within an interval is made of such passes.
#pragma once

#include <cstddef>

#include "analyzer/model/model_data.h"

// The part of a slice that carries mass: in the one-phase layout only
// a = l = r = 0; otherwise a below the phase count of the current arrival
// period, every pair j + l <= mxs and every (q, r).
struct StateRange {
  bool exp = true;     // one-phase layout
  int n_a = 1;         // arrival phases in use
  int mxs = 0;
  int mxq = 0;
  std::size_t Q = 1;   // mxq + 1: distance between the rows q and q + 1 of a block
  std::size_t B = 1;   // (mxq + 1)^2: size of the (q, r) block of one (a, j, l)
  int r_len = 1;       // r entries in use per row: 1, or mxq + 1

  int l_max(int j) const { return exp ? 0 : mxs - j; }
};

// Range of the layout of inst while the arrival period per_iat runs.
StateRange f_state_range(const ModelInstance& inst, int per_iat);

// Calls fn(a, j, l, off) for every (a, j, l) of the range, a, j and l
// ascending; off is the start of the (q, r) block of (a, j, l).
template <class Fn>
inline void f_for_each_block(const StateDist& st, const StateRange& rg, Fn&& fn) {
  for (int a = 0; a < rg.n_a; ++a) {
    for (int j = 0; j <= rg.mxs; ++j) {
      for (int l = 0; l <= rg.l_max(j); ++l) fn(a, j, l, st.block(a, j, l));
    }
  }
}

// The two slices of a running pass.
struct PassSlices {
  const double* src;  // distribution before the pass, only read
  double* cur;        // receives the contributions
  double* work;       // the working space of the calling thread: one block
  std::size_t work_stride = 0;  // distance between the working spaces of two threads
};

// Flips slice_src and slice_cur and makes room for a working space per
// thread. The pass clears the part of the new current slice that it writes.
PassSlices f_flip_slices(StateDist& st);

// f_flip_slices, then the new current slice cleared over rg (the one-phase
// layout clears only its a = l = r = 0 entries): for a pass that writes the
// whole range.
PassSlices f_begin_pass(StateDist& st, const StateRange& rg);

// ps with the working space of the calling thread of a parallel pass.
PassSlices f_thread_slices(PassSlices ps);

// A source entry moves only when strictly above 0.0: its moving part is the
// entry itself then, else 0.0 (for 0.0, negative and NaN entries). Adding
// 0.0 times a table share to a target changes no value, since the slices
// never hold -0.0 (they are cleared to +0.0 and only added to) and the
// shares are finite; so every move adds (moving part) * share to its target
// without a test, and a share of 0.0 adds nothing at all.
// f_moving_block puts the moving parts of the used entries of the source
// block at off into ps.work, at the offsets of the block.
inline const double* f_moving_block(PassSlices ps, const StateRange& rg, std::size_t off) {
  const double* __restrict s = ps.src + off;
  double* __restrict m = ps.work;
  if (rg.exp) {
    for (std::size_t i = 0; i < rg.B; i += rg.Q) m[i] = s[i] > 0.0 ? s[i] : 0.0;
  } else {
    for (std::size_t i = 0; i < rg.B; ++i) m[i] = s[i] > 0.0 ? s[i] : 0.0;
  }
  return m;
}

// The leading entries of a row of moving parts that hold its moves: one past
// the last entry above 0.0, 0 for a row without moves. The entries after it
// add nothing anywhere, so a move of the row may stop there, and a row
// without moves is skipped.
inline std::size_t f_row_extent(const double* m, std::size_t len) {
  while (len > 0 && m[len - 1] == 0.0) --len;
  return len;
}

// t[r] += m[r] * c for r < len: the move of a row of moving parts m.
inline void f_move_row(const double* __restrict m, double* __restrict t, std::size_t len, double c) {
  if (c == 0.0) return;
  for (std::size_t r = 0; r < len; ++r) t[r] += m[r] * c;
}

// Copies the used range of the current slice into the saved copy, and back.
void f_save_state(StateDist& st, const StateRange& rg);
void f_restore_state(StateDist& st, const StateRange& rg);

// Arrival phases across a change of the arrival period. From a two-phase to a
// one-phase period, one pass folds the mass of arrival phase 2 into phase 1
// (the pass keeps the same (j, l, q, r)); from a one-phase to a two-phase
// period, arrival phase 2 of the current slice, left from an earlier
// two-phase period, is cleared. held is the phase count the current slice
// carries; rg is the range of the new period.
void f_change_arrival_phases(StateDist& st, const StateRange& rg, int held);
