// Per-interval rows of the report blocks, in the stream's default number format.
#include "analyzer/report/report_rows.h"

#include <cstddef>

#include "analyzer/input/config.h"

double f_sum_in_order(const std::vector<double>& v, int n) {
  double s = 0.0;
  for (int t = 0; t < n; ++t) s += v[static_cast<std::size_t>(t)];
  return s;
}

std::vector<int> f_written_columns(const IntervalGrid& grid) {
  std::vector<int> cols;
  for (int t = 0; t < grid.n; ++t) {
    if (gv_CFG_write_obs == 0 || grid.obs_int_flag[static_cast<std::size_t>(t)]) cols.push_back(t);
  }
  return cols;
}

void f_write_index_row(std::ostream& out, const std::vector<int>& cols) {
  out << "INTERVAL";
  for (int t : cols) out << ";" << t;
  out << "\n";
}

void f_write_value_row(std::ostream& out, const char* label, const std::vector<double>& v,
                       const std::vector<int>& cols) {
  out << label;
  for (int t : cols) out << ";" << v[static_cast<std::size_t>(t)];
  out << "\n";
}

void f_write_wait_header(std::ostream& out, int K) {
  out << "\n";
  out << "PROBABILITY OF WAITING A GIVEN NUMBER OF INTERVALS WHEN ARRIVING DURING A GIVEN OBSERVATION INTERVAL"
      << "\n";
  out << "INTERVAL";
  for (int w = 0; w <= K; ++w) out << ";" << w;
  out << "\n";
}
