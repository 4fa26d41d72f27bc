// Entry parts of a (q, r) block: the block's used entries cut into runs of
// kPartEntries (the last may be shorter), in storage order; pairs by position.
#include "analyzer/model/pass_split.h"

#include <omp.h>

namespace {

// Used entries of a block: every (q, r), or one per row q in the one-phase layout.
std::size_t used_entries(const StateRange& rg) { return rg.exp ? static_cast<std::size_t>(rg.mxq + 1) : rg.B; }

}  // namespace

int f_entry_part_count(const StateRange& rg) {
  return static_cast<int>((used_entries(rg) + kPartEntries - 1) / kPartEntries);
}

EntryPart f_entry_part(const StateRange& rg, int k) {
  const std::size_t total = used_entries(rg);
  const std::size_t first = static_cast<std::size_t>(k) * kPartEntries;
  const std::size_t end = first + kPartEntries < total ? first + kPartEntries : total;
  EntryPart e;
  e.step = rg.exp ? rg.Q : 1;
  e.lo = first * e.step;
  e.n = end - first;
  return e;
}

EntryPart f_whole_block(const StateRange& rg) {
  EntryPart e;
  e.step = rg.exp ? rg.Q : 1;
  e.n = used_entries(rg);
  return e;
}

std::size_t f_range_entries(const StateRange& rg) {
  return static_cast<std::size_t>(rg.n_a) * static_cast<std::size_t>(f_pair_count(rg)) * used_entries(rg);
}

int f_pair_count(const StateRange& rg) { return rg.exp ? rg.mxs + 1 : (rg.mxs + 1) * (rg.mxs + 2) / 2; }

std::pair<int, int> f_pair_at(const StateRange& rg, int t) {
  int j = 0;
  while (t > rg.l_max(j)) {
    t -= rg.l_max(j) + 1;
    ++j;
  }
  return {j, t};
}

void f_reserve_pack(StateDist& st) {
  const std::size_t need = 2 * st.pairs * kPartEntries * static_cast<std::size_t>(omp_get_max_threads());
  if (st.pack.size() < need) st.pack.resize(need);
  const std::size_t flags = st.pairs * static_cast<std::size_t>(omp_get_max_threads());
  if (st.pack_moves.size() < flags) st.pack_moves.resize(flags);
}

double* f_thread_pack(StateDist& st) {
  return st.pack.data() + static_cast<std::size_t>(omp_get_thread_num()) * 2 * st.pairs * kPartEntries;
}

unsigned char* f_thread_pack_moves(StateDist& st) {
  return st.pack_moves.data() + static_cast<std::size_t>(omp_get_thread_num()) * st.pairs;
}
