// Queue-to-service rule: d = s - j - l free servers take units from the head
// of the queue. d >= q + r empties the queue into service phase 1; otherwise
// d units start, i1 of them from patience phase 1 and i2 = d - i1 from phase
// 2, with the split's probability, leaving (q - i1, r - i2) waiting.
#include "analyzer/model/queue_to_service.h"

#include <algorithm>

#include "analyzer/model/pass_split.h"

void f_build_queue_split_rows(SplitTables& splits, int mxs) {
  splits.q2s_rows.assign(splits.q2s_split.size(), QueueSplitRows{});
  for (std::size_t p = 0; p < splits.q2s_split.size(); ++p) {
    const QueueSplit& split = splits.q2s_split[p];
    QueueSplitRows& rows = splits.q2s_rows[p];
    const int mxq = split.bound;
    const std::size_t Q = static_cast<std::size_t>(mxq + 1);
    rows.mxq = mxq;
    rows.d_max = std::max(0, std::min(mxs, 2 * mxq - 1));
    rows.base.assign(static_cast<std::size_t>(rows.d_max + 1) * Q, 0);
    std::size_t at = 0;
    for (int d = 1; d <= rows.d_max; ++d) {
      for (int q = 0; q <= mxq; ++q) {
        rows.base[static_cast<std::size_t>(d) * Q + static_cast<std::size_t>(q)] = at;
        at += static_cast<std::size_t>(std::min(q, d) + 1) * Q;
      }
    }
    rows.v.assign(at, 0.0);
    for (int d = 1; d <= rows.d_max; ++d) {
      for (int q = 0; q <= mxq; ++q) {
        for (int i1 = 0; i1 <= std::min(q, d); ++i1) {
          double* row = rows.v.data() + rows.base[static_cast<std::size_t>(d) * Q + static_cast<std::size_t>(q)] +
                        static_cast<std::size_t>(i1) * Q;
          for (int r = std::max(d - i1, d - q + 1); r <= mxq; ++r) row[r] = split.at(q, r, d, i1);
        }
      }
    }
  }
}

const QueueSplitRows* f_queue_split(const ModelInstance& inst, int per_abd) {
  if (inst.fits.layout_exp) return nullptr;
  return &inst.splits.q2s_rows[static_cast<std::size_t>(per_abd)];
}

namespace {

// One-phase layout: q = 0..mxq in steps of Q, r = 0 only.
void one_phase_block(PassSlices ps, const StateDist& st, const StateRange& rg, int j, int d) {
  const double* src = ps.src + st.block(0, j, 0);
  for (int q = 1; q <= rg.mxq; ++q) {
    const double p = src[static_cast<std::size_t>(q) * rg.Q];
    if (!(p > 0.0)) continue;
    if (d >= q) {
      ps.cur[st.block(0, j + q, 0)] += p;
    } else {
      ps.cur[st.block(0, j + d, 0) + static_cast<std::size_t>(q - d) * rg.Q] += p;
    }
  }
}

void multi_phase_block(PassSlices ps, const StateDist& st, const StateRange& rg, int a, int j, int l, int d,
                       const QueueSplitRows& rows) {
  const int mxq = rg.mxq;
  const std::size_t Q = rg.Q;
  const std::size_t off = st.block(a, j, l);
  const double* src = ps.src + off;
  // Queues of at most d units start whole: their targets are the empty
  // queues of the blocks j + 1 .. j + d, which no split reaches.
  for (int q = 0; q <= std::min(d, mxq); ++q) {
    for (int r = q == 0 ? 1 : 0; r <= std::min(d - q, mxq); ++r) {
      const double p = src[static_cast<std::size_t>(q) * Q + static_cast<std::size_t>(r)];
      if (p > 0.0) ps.cur[st.block(a, j + q + r, l)] += p;
    }
  }
  if (d > rows.d_max) return;
  // Longer queues split. For fixed q and i1 the sources r = r_lo..mxq feed
  // the targets (q - i1, r - i2) side by side; a target receives from the
  // sources q = q' + i1 in increasing q, as entry by entry.
  const double* moving = f_moving_block(ps, rg, off);
  double* target = ps.cur + st.block(a, j + d, l);
  for (int q = 0; q <= mxq; ++q) {
    const double* mrow = moving + static_cast<std::size_t>(q) * Q;
    const std::size_t ext = f_row_extent(mrow, Q);
    if (ext == 0) continue;
    for (int i1 = 0; i1 <= std::min(q, d); ++i1) {
      const int i2 = d - i1;
      const int r_lo = std::max(i2, d - q + 1);
      if (static_cast<std::size_t>(r_lo) >= ext) continue;
      const std::size_t len = ext - static_cast<std::size_t>(r_lo);
      const double* __restrict m = mrow + r_lo;
      const double* __restrict c = rows.row(d, q, i1) + r_lo;
      double* __restrict t = target + static_cast<std::size_t>(q - i1) * Q + static_cast<std::size_t>(r_lo - i2);
      for (std::size_t k = 0; k < len; ++k) t[k] += m[k] * c[k];
    }
  }
}

}  // namespace

void f_queue_to_service_pass(StateDist& st, const StateRange& rg, int s, const QueueSplitRows* rows) {
  PassSlices shared = f_flip_slices(st);
  const EntryPart whole = f_whole_block(rg);
  // Units start service only from (a, j, l) to (a, j', l) with j' >= j: the
  // pass splits by (a, l), and each task clears and fills the blocks of its
  // (a, l), taking the sources j in increasing order as a single run does.
  const int n_l = rg.l_max(0) + 1;
  f_parallel_tasks(rg.n_a * n_l, f_range_entries(rg), [&](int t) {
    const int a = t / n_l, l = t % n_l;
    const PassSlices ps = f_thread_slices(shared);
    for (int j = 0; j <= rg.mxs - l; ++j) f_part_clear(ps.cur + st.block(a, j, l), whole);
    for (int j = 0; j <= rg.mxs - l; ++j) {
      const std::size_t off = st.block(a, j, l);
      const int d = s - j - l;
      if (d <= 0) {
        f_part_copy(ps.src + off, ps.cur + off, whole);
        continue;
      }
      // An empty queue is copied; it is the first entry of the block.
      ps.cur[off] += ps.src[off];
      if (rg.exp) {
        one_phase_block(ps, st, rg, j, d);
      } else {
        multi_phase_block(ps, st, rg, a, j, l, d, *rows);
      }
    }
  });
}
