// The model's state distribution over (a, j, l, q, r): arrival phase a (0..1),
// busy servers in service phase 1 and 2 (j + l <= mxs), waiting units in
// patience phase 1 and 2 (q, r = 0..mxq). Two slices (each step reads one and
// writes the other) and a saved copy. Only the used triangle j + l <= mxs is
// stored; for fixed (a, j, l) the (q, r) block is contiguous, r innermost.
#pragma once

#include <cstddef>
#include <vector>

struct StateDist {
  int mxs = 0;
  int mxq = 0;
  std::size_t pairs = 0;  // number of (j, l) with j + l <= mxs
  std::vector<double> slice[2];
  std::vector<double> saved;  // the look-ahead's copy; between look-aheads, room for the terms of a running sum
  std::vector<double> work;  // working space of a pass, per thread: one (q, r) block
  std::vector<double> pack;  // per thread: one part of every pair's block, packed
  std::vector<unsigned char> pack_moves;  // per thread and pair: whether its packed part moves anything
  std::vector<std::size_t> term_count;   // terms packed per block
  int slice_cur = 1;
  int slice_src = 0;

  std::size_t qr_size() const { return static_cast<std::size_t>(mxq + 1) * static_cast<std::size_t>(mxq + 1); }
  // Index of the pair (j, l), pairs ordered by j, then l, in a layout with
  // mxs servers, and in this one.
  static std::size_t pair_index(int j, int l, int mxs) {
    const std::size_t jj = static_cast<std::size_t>(j);
    return jj * static_cast<std::size_t>(mxs + 1) - jj * (jj - 1) / 2 + static_cast<std::size_t>(l);
  }
  std::size_t pair(int j, int l) const { return pair_index(j, l, mxs); }
  // Start of the (q, r) block of (a, j, l).
  std::size_t block(int a, int j, int l) const {
    return (static_cast<std::size_t>(a) * pairs + pair(j, l)) * qr_size();
  }
  std::size_t idx(int a, int j, int l, int q, int r) const {
    return block(a, j, l) + static_cast<std::size_t>(q) * static_cast<std::size_t>(mxq + 1) + static_cast<std::size_t>(r);
  }
  // Allocates both slices and the saved copy for the bounds, all 0.0.
  void allocate(int mxs_, int mxq_) {
    mxs = mxs_;
    mxq = mxq_;
    pairs = static_cast<std::size_t>(mxs + 1) * static_cast<std::size_t>(mxs + 2) / 2;
    std::size_t size = 2 * pairs * qr_size();
    slice[0].assign(size, 0.0);
    slice[1].assign(size, 0.0);
    saved.assign(size, 0.0);
    work.assign(qr_size(), 0.0);
  }
};

// Passes over fewer entries than this run on one thread: for them, starting
// the threads of a team costs more than the work it shares out.
constexpr std::size_t kParallelEntries = std::size_t{1} << 15;

// Sets to 0.0 every entry of state.slice[slice] with a < n_a, j + l <= m and
// any q, r; touches nothing else. Nothing happens when n_a <= 0 or m < 0.
// The caller keeps n_a <= 2 and m <= state.mxs.
void f_clear_state(StateDist& state, int n_a, int m, int slice);
