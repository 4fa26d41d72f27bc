// The split of a pass over the state distribution into tasks that run on all
// cores. Every task clears and writes its own part of the target slice and
// adds into each entry of it in the order of a single-threaded run, so the
// result is the same to the last bit for any number of threads.
#pragma once

#include <cstddef>
#include <utility>

#include "analyzer/model/state_pass.h"

// Runs fn(t) for t = 0..tasks-1, on the threads of OpenMP's team (the
// OMP_NUM_THREADS setting, all cores by default) when the pass covers
// entries >= kParallelEntries, else on the calling thread; the tasks must
// write disjoint memory.
template <class Fn>
inline void f_parallel_tasks(int tasks, std::size_t entries, Fn&& fn) {
#pragma omp parallel for schedule(dynamic) if (entries >= kParallelEntries)
  for (int t = 0; t < tasks; ++t) fn(t);
}

// Used entries of a slice over the range rg.
std::size_t f_range_entries(const StateRange& rg);

// Runs fn(lo, hi) over runs that cut [0, end) on all cores; for loops over
// independent entries.
template <class Fn>
inline void f_parallel_ranges(std::size_t end, Fn&& fn) {
  constexpr std::size_t kRun = 32768;
  const int runs = static_cast<int>((end + kRun - 1) / kRun);
  f_parallel_tasks(runs, end, [&](int t) {
    const std::size_t lo = static_cast<std::size_t>(t) * kRun;
    fn(lo, lo + kRun < end ? lo + kRun : end);
  });
}

// Calls fn(j, l) for every pair j + l <= mxs of the range (l = 0 only in the
// one-phase layout), j, then l, ascending.
template <class Fn>
inline void f_for_each_pair(const StateRange& rg, Fn&& fn) {
  for (int j = 0; j <= rg.mxs; ++j) {
    for (int l = 0; l <= rg.l_max(j); ++l) fn(j, l);
  }
}

// The number of pairs (j, l) of the range, and the t-th of them in the
// order of f_for_each_pair.
int f_pair_count(const StateRange& rg);
std::pair<int, int> f_pair_at(const StateRange& rg, int t);

// Used entries lo, lo + step, ..., n of them, of every (q, r) block: the
// part of each block that one task of a pass keeping (q, r) handles.
struct EntryPart {
  std::size_t lo = 0;
  std::size_t n = 0;
  std::size_t step = 1;
};

// Entries of a part (the last part of a block may be shorter): small enough
// that a task's parts of all blocks stay in a core's cache, and that a
// target part is summed in registers.
constexpr std::size_t kPartEntries = 32;

// Number of parts of a block of rg, and part k.
int f_entry_part_count(const StateRange& rg);
EntryPart f_entry_part(const StateRange& rg, int k);
// All used entries of a block as one part.
EntryPart f_whole_block(const StateRange& rg);

inline void f_part_clear(double* blk, EntryPart e) {
  for (std::size_t k = 0; k < e.n; ++k) blk[e.lo + k * e.step] = 0.0;
}

// Copy: every entry of the part is added, whatever its value.
inline void f_part_copy(const double* __restrict s, double* __restrict t, EntryPart e) {
  if (e.step == 1) {
    for (std::size_t k = e.lo; k < e.lo + e.n; ++k) t[k] += s[k];
  } else {
    for (std::size_t k = 0; k < e.n; ++k) t[e.lo + k * e.step] += s[e.lo + k * e.step];
  }
}

// Puts the moving parts of the part's source entries (the entry when
// strictly above 0.0, else 0.0) into m[0..n-1]; returns whether any moves.
inline bool f_part_moving(const double* __restrict s, EntryPart e, double* __restrict m) {
  bool any = false;
  for (std::size_t k = 0; k < e.n; ++k) {
    const double p = s[e.lo + k * e.step];
    m[k] = p > 0.0 ? p : 0.0;
    any = any || p > 0.0;
  }
  return any;
}

// t[entry k] += m[k] * c over the part; a share of 0.0 adds nothing.
inline void f_part_move(const double* __restrict m, double* __restrict t, EntryPart e, double c) {
  if (c == 0.0) return;
  if (e.step == 1) {
    double* __restrict tt = t + e.lo;
    for (std::size_t k = 0; k < e.n; ++k) tt[k] += m[k] * c;
  } else {
    for (std::size_t k = 0; k < e.n; ++k) t[e.lo + k * e.step] += m[k] * c;
  }
}

// A pass that keeps (q, r) and a: one task per arrival phase and entry part,
// which clears its part of the current slice's blocks of that phase and then
// runs fn(a, part) to add the contributions.
template <class Fn>
inline void f_split_by_entries(const StateDist& st, const StateRange& rg, PassSlices ps, Fn&& fn) {
  const int parts = f_entry_part_count(rg);
  f_parallel_tasks(rg.n_a * parts, f_range_entries(rg), [&](int t) {
    const int a = t / parts;
    const EntryPart e = f_entry_part(rg, t % parts);
    f_for_each_pair(rg, [&](int j, int l) { f_part_clear(ps.cur + st.block(a, j, l), e); });
    fn(a, e);
  });
}

// Four doubles: one AVX register, or two SSE2 registers.
typedef double Vec4 __attribute__((vector_size(32)));
constexpr std::size_t kPartVecs = kPartEntries / 4;

// sum += m * c over the kPartEntries entries of a part, entry by entry.
inline void f_add_scaled_part(Vec4* sum, const double* m, double c) {
  const Vec4 cc = {c, c, c, c};
  for (std::size_t v = 0; v < kPartVecs; ++v) {
    Vec4 p;
    __builtin_memcpy(&p, m + 4 * v, sizeof p);
    sum[v] = sum[v] + p * cc;
  }
}

// The contributions to one target part, added in the order the caller
// names its sources: starts from 0.0, as the cleared target would.
struct PartGather {
  const double* src;
  EntryPart e;
  double acc[kPartEntries] = {};

  // Copy: every entry of the source part is added, whatever its value.
  void copy(std::size_t off) {
    const double* s = src + off + e.lo;
    for (std::size_t k = 0; k < e.n; ++k) acc[k] += s[k * e.step];
  }
  // Moves from the source blocks at off, off + off_step, ... with the given shares.
  void move_run(std::size_t off, std::size_t off_step, const double* shares, int count) {
    for (int i = 0; i < count; ++i, off += off_step) {
      const double c = shares[i];
      if (c == 0.0) continue;
      const double* s = src + off + e.lo;
      for (std::size_t k = 0; k < e.n; ++k) {
        const double p = s[k * e.step];
        acc[k] += (p > 0.0 ? p : 0.0) * c;
      }
    }
  }
  void store(double* t) const {
    for (std::size_t k = 0; k < e.n; ++k) t[e.lo + k * e.step] = acc[k];
  }
};

// Room per thread for two packed parts of every pair: 2 * pairs *
// kPartEntries doubles from f_thread_pack, and a flag per pair from
// f_thread_pack_moves.
void f_reserve_pack(StateDist& st);
double* f_thread_pack(StateDist& st);
unsigned char* f_thread_pack_moves(StateDist& st);

// A pass that keeps a and (q, r), written target by target: one task per
// arrival phase and entry part; for every target block (a, j, l) of the
// task, sources(a, j, l, g) adds into the PartGather g the source blocks of
// that target in the order in which a single run, source block by source
// block, reaches it. The target part is then written whole, so it needs no
// clearing.
template <class Sources>
inline void f_gather_by_entries(StateDist& st, const StateRange& rg, PassSlices ps, Sources&& sources) {
  const int parts = f_entry_part_count(rg);
  f_parallel_tasks(rg.n_a * parts, f_range_entries(rg), [&](int t) {
    const int a = t / parts;
    const EntryPart e = f_entry_part(rg, t % parts);
    f_for_each_pair(rg, [&](int j, int l) {
      PartGather g{ps.src, e};
      sources(a, j, l, g);
      g.store(ps.cur + st.block(a, j, l));
    });
  });
}

// Packs the moving parts of part e (step 1) of the blocks of pairs pairs,
// starting at blocks, B apart, into packed, kPartEntries per pair (a short
// part padded with 0.0), and whether each pair moves anything into moves.
// Adding a moving part of 0.0 times a share changes no sum, so a gather may
// leave out a pair that moves nothing (about half of them, in the parts away
// from the short queues).
inline void f_pack_part(const double* blocks, std::size_t B, EntryPart e, std::size_t pairs, double* packed,
                        unsigned char* moves) {
  // Two doubles at a time: one SSE2 register on every x86-64.
  typedef double Vec2 __attribute__((vector_size(16)));
  typedef long long Mask2 __attribute__((vector_size(16)));
  const Vec2 zero = {};
  for (std::size_t p = 0; p < pairs; ++p) {
    const double* s = blocks + p * B + e.lo;
    double* m = packed + p * kPartEntries;
    if (e.n < kPartEntries) {
      moves[p] = f_part_moving(blocks + p * B, e, m);
      for (std::size_t k = e.n; k < kPartEntries; ++k) m[k] = 0.0;
      continue;
    }
    // The parts of the pairs ahead are fetched while this one is packed.
    if (p + 4 < pairs) {
      for (std::size_t k = 0; k < kPartEntries; k += 8) __builtin_prefetch(s + 4 * B + k);
      __builtin_prefetch(s + 4 * B + kPartEntries - 1);
    }
    Mask2 any = {};
    for (std::size_t v = 0; v < kPartEntries / 2; ++v) {
      Vec2 x;
      __builtin_memcpy(&x, s + 2 * v, sizeof x);
      const Mask2 up = x > zero;  // all bits set where x > 0.0; not for NaN
      const Vec2 kept = reinterpret_cast<Vec2>(reinterpret_cast<Mask2>(x) & up);
      __builtin_memcpy(m + 2 * v, &kept, sizeof kept);
      any |= up;
    }
    moves[p] = (any[0] | any[1]) != 0;
  }
}
