// Allocation of the model's result arrays and state distribution.
#include "analyzer/model/model_arrays.h"

#include <cstddef>

void f_allocate_model_arrays(ModelResults& results, StateDist& state, const IntervalGrid& grid, int mxq) {
  std::size_t n = static_cast<std::size_t>(grid.n);
  std::size_t rows = static_cast<std::size_t>(grid.n_obs_max) + 1;
  std::size_t cols = static_cast<std::size_t>(grid.K) + 1;
  results.wait_prob.assign(rows * cols, 0.0);
  results.q_avg[0].assign(n, 0.0);
  results.q_avg[1].assign(n, 0.0);
  results.q_var.assign(n, 0.0);
  results.abd_avg.assign(n, 0.0);
  results.sys_avg.assign(n, 0.0);
  results.sys_avg_pre_arr.assign(n, 0.0);
  state.allocate(grid.mxs, mxq);
}
