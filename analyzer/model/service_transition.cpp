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

// One task of the two-phase service pass: arrival phase a, entry part e.
struct ServiceTask {
  const double* src;  // source blocks of phase a, B apart, pairs in storage order
  double* cur;        // target blocks of phase a
  std::size_t B;
  EntryPart e;
  int mxs, cap;
  const double* T;       // completions of the phase-2 units, TriangleRows entries
  const double* G;       // phase-1 advance, SquareBlocks entries
  double* moving;        // working space: packed moving parts, kPartEntries per pair
  double* done;          // working space: the completions' results, kPartEntries per pair
  unsigned char* moves;  // working space: whether a pair's packed part moves anything
};

// sum := 0.0 + the n entries at copy (all of them, whatever their value), or
// 0.0 without a copy.
inline void start_part(Vec4* sum, const double* copy, std::size_t n) {
  for (std::size_t v = 0; v < kPartVecs; ++v) sum[v] = Vec4{0.0, 0.0, 0.0, 0.0};
  if (copy == nullptr) return;
  if (n == kPartEntries) {
    for (std::size_t v = 0; v < kPartVecs; ++v) {
      Vec4 x;
      __builtin_memcpy(&x, copy + 4 * v, sizeof x);
      sum[v] = sum[v] + x;
    }
  } else {
    double acc[kPartEntries];
    __builtin_memcpy(acc, sum, sizeof acc);
    for (std::size_t i = 0; i < n; ++i) acc[i] += copy[i];
    __builtin_memcpy(sum, acc, sizeof acc);
  }
}

// The completions: source (j, l) moves c units to (j, l - c), c <= min(l,
// cap), l = 0 is copied; target (j0, l0) receives from l = l0..l0 + cap in
// turn. The phase-1 advance reads the completions' results: source (j, l)
// moves to (j - x - y, l + x) for x + y <= min(j, cap), j = 0 is copied;
// target (j0, l0) receives from j = j0 + d, d <= cap, and l = l0 - x, x =
// min(l0, d) down to 0 (adjacent pairs, with shares G[j][x][d - x] a stride
// of j apart), the order of a run source block by source block. Every target
// part is summed in registers, four entries to a vector, with the additions
// of a loop entry by entry. Built for AVX2 and for the baseline instruction
// set, chosen at load time; both form every sum with the same additions and
// products.
__attribute__((target_clones("avx2", "default")))
void service_task(const ServiceTask& k) {
  const std::size_t pairs = StateDist::pair_index(k.mxs + 1, 0, k.mxs);
  f_pack_part(k.src, k.B, k.e, pairs, k.moving, k.moves);
  std::size_t p = 0;
  for (int j0 = 0; j0 <= k.mxs; ++j0) {
    for (int l0 = 0; l0 <= k.mxs - j0; ++l0, ++p) {
      Vec4 sum[kPartVecs];
      start_part(sum, l0 == 0 ? k.src + p * k.B + k.e.lo : nullptr, k.e.n);
      const int m_hi = std::min(k.mxs - j0, l0 + k.cap);
      std::size_t src_pair = p + static_cast<std::size_t>(std::max(l0, 1) - l0);
      for (int m = std::max(l0, 1); m <= m_hi; ++m, ++src_pair) {
        const double c = k.T[TriangleRows::base(m) + static_cast<std::size_t>(m - l0)];
        if (k.moves[src_pair] && c != 0.0) f_add_scaled_part(sum, k.moving + src_pair * kPartEntries, c);
      }
      __builtin_memcpy(k.done + p * kPartEntries, sum, sizeof sum);
    }
  }

  f_pack_part(k.done, kPartEntries, EntryPart{0, k.e.n, 1}, pairs, k.moving, k.moves);
  p = 0;
  for (int j0 = 0; j0 <= k.mxs; ++j0) {
    for (int l0 = 0; l0 <= k.mxs - j0; ++l0, ++p) {
      Vec4 sum[kPartVecs];
      start_part(sum, j0 == 0 ? k.done + p * kPartEntries : nullptr, k.e.n);
      const int j_hi = std::min(k.mxs, j0 + k.cap);
      for (int j = std::max(j0, 1); j <= j_hi; ++j) {
        const int d = j - j0;
        const int x_hi = std::min(l0, d);
        const int x_lo = std::max(0, l0 - (k.mxs - j));
        const std::size_t jj = static_cast<std::size_t>(j);
        std::size_t pr = StateDist::pair_index(j, l0 - x_hi, k.mxs);
        std::size_t gi =
            SquareBlocks::base(j) + static_cast<std::size_t>(x_hi) * (jj + 1) + static_cast<std::size_t>(d - x_hi);
        for (int x = x_hi; x >= x_lo; --x, ++pr, gi -= jj) {
          if (k.moves[pr] && k.G[gi] != 0.0) f_add_scaled_part(sum, k.moving + pr * kPartEntries, k.G[gi]);
        }
      }
      double acc[kPartEntries];
      __builtin_memcpy(acc, sum, sizeof sum);
      double* target = k.cur + p * k.B + k.e.lo;
      for (std::size_t i = 0; i < k.e.n; ++i) target[i] = acc[i];
    }
  }
}

// Two-phase layouts: the completions of the phase-2 units, then the
// phase-1 advance, as one pass that keeps a and (q, r). A task takes one
// arrival phase and entry part of every pair and writes its targets whole;
// the completions' results stay in the task's working space, as the second
// pass over the slice would have read them.
void completion_and_advance(StateDist& st, const StateRange& rg, const TriangleRows& T, const SquareBlocks& G) {
  PassSlices ps = f_flip_slices(st);
  const int parts = f_entry_part_count(rg);
  f_reserve_pack(st);
  f_parallel_tasks(rg.n_a * parts, f_range_entries(rg), [&](int t) {
    const std::size_t a_blocks = static_cast<std::size_t>(t / parts) * st.pairs;
    double* moving = f_thread_pack(st);
    service_task(ServiceTask{ps.src + a_blocks * rg.B, ps.cur + a_blocks * rg.B, rg.B, f_entry_part(rg, t % parts),
                             rg.mxs, gv_mxn_ser, T.v.data(), G.v.data(), moving, moving + st.pairs * kPartEntries,
                             f_thread_pack_moves(st)});
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
