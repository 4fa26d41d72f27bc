// The comparison block: summary rows with a SIMULATION and a MODEL cell,
// per-interval tables of both, and the waiting-time rows of both. The
// simulated abandoned fraction is per admitted arrival, the model's per
// expected arrival.
#include "analyzer/report/comparison_block.h"

#include <cstddef>
#include <ostream>
#include <vector>

#include "analyzer/input/config.h"
#include "analyzer/report/checked_append.h"
#include "analyzer/report/report_rows.h"
#include "analyzer/simulation/simulation.h"

namespace {

template <typename S, typename M>
void summary_row(std::ostream& out, const char* label, const S& sim, const M& mdl) {
  out << label << ";" << sim << ";" << mdl << "\n";
}

// num / den when den > 0.0, else the integer 0 (a den that is not a number too).
void fraction_row(std::ostream& out, const char* label, double num, double den, double mdl) {
  if (den > 0.0) {
    summary_row(out, label, num / den, mdl);
  } else {
    summary_row(out, label, 0, mdl);
  }
}

// A variance over one iteration is undefined: its cells read "NA".
void variance_row(std::ostream& out, const char* label, const std::vector<double>& v, const std::vector<int>& cols,
                  int nri) {
  if (nri > 1) {
    f_write_value_row(out, label, v, cols);
    return;
  }
  out << label;
  for (std::size_t i = 0; i < cols.size(); ++i) out << ";" << "NA";
  out << "\n";
}

void write_block(std::ostream& out, const ModelInstance& inst, const CycleState& cycle, const ModelSummary& mdl,
                 const SimResults& sim, int nri, int inst_nr) {
  const IntervalGrid& grid = inst.grid;
  const ModelResults& res = inst.results;
  const double iters = static_cast<double>(nri);
  out << "\n";
  out << "[FILE " << inst_nr << "]" << "\n";
  out << "SIMULATION & ANALYTICAL MODEL RESULTS DURING LAST CYCLE:" << "\n";
  out << "\n";
  out << ";" << "SIMULATION" << ";" << "MODEL" << "\n";
  summary_row(out, "NUMBER OF CYCLES:", cycle.cycle_count, cycle.cycle_count);
  summary_row(out, "NUMBER OF INTERVALS IN CYCLE:", grid.n, grid.n);
  summary_row(out, "LENGTH OF INTERVAL:", grid.Delta, grid.Delta);
  summary_row(out, "MAXIMUM NUMBER OF UNITS ALLOWED IN QUEUE:", gv_CFG_sim_mxq, gv_mxq);
  summary_row(out, "MORE THAN 10 SUCCESSES ALLOWED:", "NA", gv_CFG_mxn_suc);
  summary_row(out, "NUMBER OF SIMULATION ITERATIONS:", nri, "NA");
  summary_row(out, "REQUIRED CPU TIME:", sim.cpu, mdl.mdl_cpu);
  summary_row(out, "EXPECTED NUMBER OF STATESPACE BOUNDARY REFLECTIONS:", sim.lost / iters, cycle.reflections);
  fraction_row(out, "PERCENTAGE OF ARRIVALS REFLECTED:", sim.lost, sim.arrivals, mdl.mdl_frac_reflected);
  summary_row(out, "EXPECTED NUMBER OF ARRIVALS DURING LAST CYCLE:", sim.arrivals / iters, mdl.mdl_arrivals);
  summary_row(out, "AVERAGE IN QUEUE (BASED ON AVERAGE NUMBER IN QUEUE PER INTERVAL = LESS ACCURATE):",
              sim.avg_q_int, mdl.mdl_avg_q_int);
  summary_row(out, "AVERAGE IN QUEUE:", sim.nq_area, "NA");
  if (gv_CFG_new_output == 1) {
    summary_row(out, "AVERAGE IN SYSTEM (BASED ON AVERAGE NUMBER IN QUEUE PER INTERVAL = LESS ACCURATE):",
                sim.avg_sys_int, mdl.mdl_avg_sys_int);
    summary_row(out, "AVERAGE IN SYSTEM:", sim.ns_area, "NA");
  }
  summary_row(out, "EXPECTED NUMBER OF ABANDONMENTS:", sim.abandonments / iters, mdl.mdl_abandonments);
  fraction_row(out, "PERCENTAGE OF WAITING UNITS ABANDONED:", sim.abandonments, sim.arrivals - sim.lost,
               mdl.mdl_frac_abandoned);

  const std::vector<int> cols = f_written_columns(grid);
  out << "AVERAGE & VARIANCE OF THE NUMBER OF UNITS IN QUEUE FOR EACH INTERVAL OF THE LAST CYCLE" << "\n";
  f_write_index_row(out, cols);
  f_write_value_row(out, "AVERAGE (SIMULATION)", sim.int_nq_mean, cols);
  f_write_value_row(out, "AVERAGE (MODEL)", res.q_avg[cycle.q_par_cur], cols);
  variance_row(out, "VARIANCE (SIMULATION)", sim.int_nq_var, cols, nri);
  f_write_value_row(out, "VARIANCE (MODEL)", res.q_var, cols);
  out << "AVERAGE & VARIANCE OF THE NUMBER OF ABANDONMENTS FOR EACH INTERVAL OF THE LAST CYCLE" << "\n";
  f_write_index_row(out, cols);
  f_write_value_row(out, "AVERAGE (SIMULATION)", sim.int_abd_mean, cols);
  f_write_value_row(out, "AVERAGE (MODEL)", res.abd_avg, cols);
  variance_row(out, "VARIANCE (SIMULATION)", sim.int_abd_var, cols, nri);
  if (gv_CFG_new_output == 1) {
    out << "\n";
    out << "AVERAGE OF THE NUMBER OF UNITS IN SYSTEM FOR EACH INTERVAL OF THE LAST CYCLE" << "\n";
    f_write_index_row(out, cols);
    f_write_value_row(out, "AVERAGE (SIMULATION)", sim.int_ns_sum, cols);
    f_write_value_row(out, "AVERAGE (MODEL)", res.sys_avg, cols);
    f_write_value_row(out, "AVERAGE BEFORE ARRIVAL PROCESS (MODEL)", res.sys_avg_pre_arr, cols);
  }

  const int K = grid.K;
  f_write_wait_header(out, K);
  const std::size_t sim_len = static_cast<std::size_t>(K + 2);
  const std::size_t mdl_len = static_cast<std::size_t>(K + 1);
  for (int r = (gv_CFG_new_output == 1 ? 0 : 1); r < cycle.n_obs; ++r) {
    const double* sim_row = sim.wait_hist.data() + static_cast<std::size_t>(r) * sim_len;
    const double* mdl_row = res.wait_prob.data() + static_cast<std::size_t>(r) * mdl_len;
    out << "OBSERVATION INTERVAL " << r << " (SIMULATION)";
    for (int w = 0; w <= K; ++w) out << ";" << sim_row[w];
    out << "\n";
    out << "OBSERVATION INTERVAL " << r << " (MODEL)";
    for (int w = 0; w <= K; ++w) out << ";" << mdl_row[w];
    out << "\n";
  }
}

}  // namespace

void f_comparison_block(const ModelInstance& inst, const CycleState& cycle, const ModelSummary& mdl,
                        const SimResults& sim, int nri, int inst_nr) {
  f_checked_append(SummaryFileName, "Please close SUMMARY.CSV.",
                   [&](std::ostream& out) { write_block(out, inst, cycle, mdl, sim, nri, inst_nr); });
}
