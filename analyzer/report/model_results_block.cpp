// The model results block: summary values of the measured last cycle, the
// per-interval tables and the waiting-time table, appended to SUMMARY.CSV.
#include "analyzer/report/model_results_block.h"

#include <cstddef>
#include <iostream>
#include <vector>

#include "analyzer/input/config.h"
#include "analyzer/input/instance_data.h"
#include "analyzer/model/wait_lookahead.h"
#include "analyzer/report/checked_append.h"
#include "analyzer/report/cpu_time.h"
#include "analyzer/report/report_rows.h"

namespace {

void write_block(std::ostream& out, const ModelInstance& inst, const CycleState& cycle, int inst_nr,
                 const ModelSummary& m) {
  const IntervalGrid& grid = inst.grid;
  const ModelResults& res = inst.results;
  const int K = grid.K;

  out << "\n";
  out << "[FILE " << inst_nr << "]" << "\n";
  out << "ANALYTICAL MODEL RESULTS DURING LAST CYCLE:" << "\n";
  out << "NUMBER OF CYCLES:" << ";" << cycle.cycle_count << "\n";
  out << "NUMBER OF INTERVALS IN CYCLE:" << ";" << grid.n << "\n";
  out << "LENGTH OF INTERVAL:" << ";" << grid.Delta << "\n";
  out << "MAXIMUM NUMBER OF UNITS ALLOWED IN QUEUE:" << ";" << gv_mxq << "\n";
  out << "MORE THAN 10 SUCCESSES ALLOWED:" << ";" << gv_CFG_mxn_suc << "\n";
  out << "REQUIRED CPU TIME:" << ";" << m.mdl_cpu << "\n";
  out << "EXPECTED NUMBER OF STATESPACE BOUNDARY REFLECTIONS:" << ";" << cycle.reflections << "\n";
  out << "PERCENTAGE OF ARRIVALS REFLECTED:" << ";" << m.mdl_frac_reflected << "\n";
  out << "EXPECTED NUMBER OF ARRIVALS DURING LAST CYCLE:" << ";" << m.mdl_arrivals << "\n";
  out << "AVERAGE IN QUEUE (BASED ON AVERAGE NUMBER IN QUEUE PER INTERVAL):" << ";" << m.mdl_avg_q_int
      << "\n";
  if (gv_CFG_new_output == 1) {
    out << "AVERAGE IN SYSTEM (BASED ON AVERAGE NUMBER IN SYSTEM PER INTERVAL):" << ";" << m.mdl_avg_sys_int
        << "\n";
    out << "AVERAGE IN SYSTEM BEFORE ARRIVAL PROCESS (BASED ON AVERAGE NUMBER IN SYSTEM PER INTERVAL):"
        << ";" << m.mdl_avg_sys_pre_arr << "\n";
  }
  out << "EXPECTED NUMBER OF ABANDONMENTS:" << ";" << m.mdl_abandonments << "\n";
  out << "PERCENTAGE OF WAITING UNITS ABANDONED:" << ";" << m.mdl_frac_abandoned << "\n";

  const std::vector<int> cols = f_written_columns(grid);
  out << "AVERAGE & VARIANCE OF THE NUMBER OF UNITS IN QUEUE FOR EACH INTERVAL OF THE LAST CYCLE" << "\n";
  f_write_index_row(out, cols);
  f_write_value_row(out, "AVERAGE", res.q_avg[cycle.q_par_cur], cols);
  f_write_value_row(out, "VARIANCE", res.q_var, cols);
  out << "AVERAGE NUMBER OF ABANDONMENTS FOR EACH INTERVAL OF THE LAST CYCLE" << "\n";
  f_write_index_row(out, cols);
  f_write_value_row(out, "AVERAGE", res.abd_avg, cols);
  if (gv_CFG_new_output == 1) {
    out << "AVERAGE NUMBER OF UNITS IN SYSTEM FOR EACH INTERVAL OF THE LAST CYCLE" << "\n";
    f_write_index_row(out, cols);
    f_write_value_row(out, "AVERAGE UNITS IN SYSTEM", res.sys_avg, cols);
    f_write_value_row(out, "AVERAGE UNITS IN SYSTEM BEFORE THE ARRIVAL PROCESS TAKES PLACE", res.sys_avg_pre_arr,
                    cols);
  }

  // The waiting table is never filtered by observation flags; the row of the
  // first observation interval belongs to the new output format only.
  f_write_wait_header(out, K);
  const std::size_t row_len = static_cast<std::size_t>(K + 1);
  for (int r = (gv_CFG_new_output == 1 ? 0 : 1); r < cycle.n_obs; ++r) {
    const double* row = res.wait_prob.data() + static_cast<std::size_t>(r) * row_len;
    out << "OBSERVATION INTERVAL " << r;
    for (int w = 0; w <= K; ++w) out << ";" << row[w];
    out << "\n";
  }
}

}  // namespace

ModelSummary f_model_results_block(ModelInstance& inst, const CycleState& cycle, int inst_nr) {
  // The clock is read first, so the time of this block is not counted.
  const double cpu_seconds = f_cpu_seconds_since(cycle.cyc_clock0);

  std::cout << "\n" << "MODEL COMPLETE";

  const IntervalGrid& grid = inst.grid;
  ModelResults& res = inst.results;
  const int n = grid.n;
  const double n_d = static_cast<double>(n);

  ModelSummary m;
  m.mdl_avg_q_int = f_sum_in_order(res.q_avg[cycle.q_par_cur], n) / n_d;
  m.mdl_avg_sys_int = f_sum_in_order(res.sys_avg, n) / n_d;
  m.mdl_avg_sys_pre_arr = f_sum_in_order(res.sys_avg_pre_arr, n) / n_d;
  m.mdl_abandonments = f_sum_in_order(res.abd_avg, n);
  // Expected arrivals in one cycle from the instance data.
  m.mdl_arrivals = 0.0;
  for (int p = 0; p < gv_iat_nr; ++p) {
    m.mdl_arrivals += gv_iat_dur[static_cast<std::size_t>(p)] / gv_iat_mean[static_cast<std::size_t>(p)];
  }

  f_wait_residual(res, cycle.n_obs, grid.K);

  m.mdl_cpu = cpu_seconds;
  m.mdl_frac_reflected = cycle.reflections / m.mdl_arrivals;
  m.mdl_frac_abandoned = m.mdl_abandonments / m.mdl_arrivals;

  // A block that cannot be written would be lost without a trace: the run ends
  // instead, asking the user to release the file.
  f_checked_append(SummaryFileName, "Please close SUMMARY.CSV.",
                   [&](std::ostream& out) { write_block(out, inst, cycle, inst_nr, m); });
  return m;
}
