// Service pass rules. Completions: of m busy units in one group, c complete
// with probability T[m][c], c <= min(m, gv_mxn_ser). Phase-1 advance: of j
// units in service phase 1, x move to phase 2 and y complete with probability
// G[j][x][y], x + y <= min(j, gv_mxn_ser). In the multi-phase layouts a
// one-phase service period is stepped through its two-phase tables, which
// read it as two phases of its one rate with no move to phase 2.
#include "analyzer/model/service_transition.h"

#include <algorithm>

#include "analyzer/model/pass_split.h"
#include "analyzer/model/queue_to_service.h"

namespace {

// Shares of one run of sources handed to the gather at a time.
constexpr std::size_t kRunShares = 32;

}  // namespace

// The phase-1 advance into one target part (j0, l0): acc, holding the
// copy of j0 = 0 if any, receives from the sources j >= 1 in the order of
// the source blocks; packed holds the moving parts of the part, pair by pair
// (pairs of the layout with mxs servers), moves whether a pair's part moves
// anything, G the table's entries.
// Built for AVX2 and for the baseline instruction set, chosen at load time:
// both form every sum with the same additions and products.
__attribute__((target_clones("avx2", "default")))
void f_advance_gather_full(double* acc, const double* packed, const unsigned char* moves, const double* G, int j0,
                           int l0, int mxs, int cap) {
  Vec4 sum[kPartVecs];
  __builtin_memcpy(sum, acc, sizeof sum);
  const int j_hi = std::min(mxs, j0 + cap);
  for (int j = std::max(j0, 1); j <= j_hi; ++j) {
    const int d = j - j0;
    const int x_hi = std::min(l0, d);
    const int x_lo = std::max(0, l0 - (mxs - j));
    // Pair index of (j, l0 - x_hi), as the state distribution numbers pairs.
    const std::size_t jj = static_cast<std::size_t>(j);
    std::size_t pair = jj * static_cast<std::size_t>(mxs + 1) - jj * (jj - 1) / 2 + static_cast<std::size_t>(l0 - x_hi);
    std::size_t gi = SquareBlocks::base(j) + static_cast<std::size_t>(x_hi) * (jj + 1) + static_cast<std::size_t>(d - x_hi);
    for (int x = x_hi; x >= x_lo; --x, ++pair, gi -= jj) {
      if (moves[pair] && G[gi] != 0.0) f_add_scaled_part(sum, packed + pair * kPartEntries, G[gi]);
    }
  }
  __builtin_memcpy(acc, sum, sizeof sum);
}

namespace {

// One-phase layout: source j moves c units to j - c, c <= min(j, cap);
// j = 0 is copied. Target j0 receives from j = j0..min(mxs, j0 + cap) in
// turn, the order of a run source by source.
void completion_pass(StateDist& st, const StateRange& rg, const TriangleRows& T) {
  PassSlices ps = f_flip_slices(st);
  const int cap = gv_mxn_ser;
  f_gather_by_entries(st, rg, ps, [&](int a, int j0, int l0, PartGather& g) {
    if (j0 == 0) g.copy(st.block(a, 0, l0));
    const int j_hi = std::min(rg.mxs, j0 + cap);
    for (int j = std::max(j0, 1); j <= j_hi; ++j) {
      const double share = T.at(j, j - j0);
      g.move_run(st.block(a, j, l0), rg.B, &share, 1);
    }
  });
}

// Two-phase layouts: the completions of the phase-2 units, then the
// phase-1 advance, as one pass that keeps a and (q, r). A task takes one
// arrival phase and entry part of every pair and writes its targets whole.
// The completions: source (j, l) moves c units to (j, l - c), c <= min(l,
// cap), l = 0 is copied; target (j0, l0) receives from l = l0..l0 + cap in
// turn. The phase-1 advance reads the completions' results: source (j, l)
// moves to (j - x - y, l + x) for x + y <= min(j, cap), j = 0 is copied;
// target (j0, l0) receives from j = j0 + d, d <= cap, and l = l0 - x, x =
// min(l0, d) down to 0, the order of a run source block by source block.
// The completions' results stay in the task's packed buffers, as the second
// pass over the slice would have read them.
void completion_and_advance(StateDist& st, const StateRange& rg, const TriangleRows& T, const SquareBlocks& G) {
  PassSlices ps = f_flip_slices(st);
  const int cap = gv_mxn_ser;
  const int parts = f_entry_part_count(rg);
  const std::size_t pairs = st.pairs;
  f_reserve_pack(st);
  f_parallel_tasks(rg.n_a * parts, f_range_entries(rg), [&](int t) {
    const int a = t / parts;
    const EntryPart e = f_entry_part(rg, t % parts);
    const std::size_t a_blocks = static_cast<std::size_t>(a) * pairs;
    double* moving = f_thread_pack(st);
    double* done = moving + pairs * kPartEntries;  // the completions' results, pair by pair
    unsigned char* moves = f_thread_pack_moves(st);

    f_pack_part(ps.src + a_blocks * rg.B, rg.B, e, pairs, moving, moves);
    std::size_t p = 0;
    f_for_each_pair(rg, [&](int j0, int l0) {
      double* acc = done + p * kPartEntries;
      for (std::size_t k = 0; k < kPartEntries; ++k) acc[k] = 0.0;
      if (l0 == 0) {
        const double* s = ps.src + (a_blocks + p) * rg.B + e.lo;
        for (std::size_t k = 0; k < e.n; ++k) acc[k] += s[k];
      }
      const int m_hi = std::min(rg.mxs - j0, l0 + cap);
      for (int m = std::max(l0, 1); m <= m_hi;) {
        double shares[kRunShares];
        const int count = std::min(m_hi - m + 1, static_cast<int>(kRunShares));
        for (int i = 0; i < count; ++i) shares[i] = T.at(m + i, m + i - l0);
        const std::size_t first = st.pair(j0, m);  // the sources (j0, m..) are adjacent pairs
        f_gather_run(acc, moving + first * kPartEntries, kPartEntries, moves + first, 1, shares, count);
        m += count;
      }
      ++p;
    });

    f_pack_part(done, kPartEntries, EntryPart{0, e.n, 1}, pairs, moving, moves);
    f_for_each_pair(rg, [&](int j0, int l0) {
      double acc[kPartEntries] = {};
      if (j0 == 0) {
        const double* s = done + st.pair(0, l0) * kPartEntries;
        for (std::size_t k = 0; k < e.n; ++k) acc[k] += s[k];
      }
      f_advance_gather_full(acc, moving, moves, G.v.data(), j0, l0, rg.mxs, cap);
      double* target = ps.cur + st.block(a, j0, l0) + e.lo;
      for (std::size_t k = 0; k < e.n; ++k) target[k] = acc[k];
    });
  });
}

}  // namespace

void f_service_transition(ModelInstance& inst, const CycleState& cyc, int i) {
  StateRange rg = f_state_range(inst, cyc.per_iat);
  const std::size_t p = static_cast<std::size_t>(cyc.per_ser);
  const CountTables& ct = inst.counts;
  if (rg.exp) {
    completion_pass(inst.state, rg, ct.ser_cmp[p]);
  } else {
    completion_and_advance(inst.state, rg, ct.ser_cmp_ph2[p], ct.ser_adv_ph1[p]);
  }
  f_queue_to_service_pass(inst.state, rg, inst.grid.srv_int[static_cast<std::size_t>(i)],
                          f_queue_split(inst, cyc.per_abd));
}
