// Builds the tables of one instance in the order the model's initialisation
// fixes: grid and calendar, arrival fits and tables, service fits and tables,
// abandonment fits and tables, model arrays and state, split tables.
#include "analyzer/model/initialisation.h"

#include <algorithm>
#include <sstream>
#include <string>

#include "analyzer/input/config.h"
#include "analyzer/input/instance_data.h"
#include "analyzer/input/run_tables.h"
#include "analyzer/model/count_tables.h"
#include "analyzer/model/interval_grid.h"
#include "analyzer/model/model_arrays.h"
#include "analyzer/model/process_fits.h"
#include "analyzer/model/split_tables.h"
#include "kernel/fatal_exit.h"

namespace {

// Largest n with n! in the factorial table.
constexpr int kFactorialMax = 170;

[[noreturn]] void refuse_instance(int inst_nr, const std::string& what) {
  std::ostringstream msg;
  msg << "Instance " << inst_nr << ": " << what;
  f_fatal_exit(msg.str());
}

// The count tables divide by k! for k up to min(mxn_suc - 1, group size) and
// the drop split reads binomial rows up to mxs: refuse an instance that would
// read past either table, before any table is built.
void check_grid_against_tables(const IntervalGrid& grid, int inst_nr) {
  if (grid.mxs > binom_n) {
    std::ostringstream what;
    what << "the largest number of servers (" << grid.mxs
         << ") exceeds the order of the binomial table BINOMDIST.DAT (" << binom_n << ").";
    refuse_instance(inst_nr, what.str());
  }
  int units = std::max(gv_mxq, grid.mxs);
  int top = std::min(gv_CFG_mxn_suc - 1, units);
  if (top > kFactorialMax) {
    std::ostringstream what;
    what << "the count tables need factorials up to " << top << "! (gv_CFG_mxn_suc " << gv_CFG_mxn_suc
         << ", groups of up to " << units << " units), beyond the factorial table (up to " << kFactorialMax
         << "!).";
    refuse_instance(inst_nr, what.str());
  }
}

// The binomial split of patience phase-1 events reads rows up to
// min(gv_mxq, gv_CFG_mxn_suc); gv_mxq may exceed the table's order when the
// queue-bound rule raises it to its floor of 5.
void check_abandonment_binom_rows(const ProcessFits& fits, bool multi_phase, int inst_nr) {
  int rows = f_event_tables_binom_rows(fits.abd, gv_mxq, gv_CFG_mxn_suc, gv_CFG_mxn_suc_2PH, multi_phase);
  if (rows > binom_n) {
    std::ostringstream what;
    what << "the abandonment count tables need binomial row " << rows << " (gv_mxq " << gv_mxq
         << ", gv_CFG_mxn_suc " << gv_CFG_mxn_suc << "), beyond the order of the binomial table BINOMDIST.DAT ("
         << binom_n << ").";
    refuse_instance(inst_nr, what.str());
  }
}

// In the full layout the model steps arrivals through arr_cnt_2ph; a start
// phase whose row was zeroed would send all its mass to a full queue.
void check_arrival_tables(const ProcessFits& fits, int first_failed, int inst_nr) {
  if (!fits.layout_arr || first_failed < 0) return;
  std::ostringstream what;
  what << "the arrival count table of arrival period " << first_failed + 1
       << " is insufficient (a start phase lost probability mass); gv_CFG_mxn_suc or the queue bound "
          "(gv_CFG_mxq, gv_CFG_mxq_precision) must grow.";
  refuse_instance(inst_nr, what.str());
}

}  // namespace

void f_initialise_instance(ModelInstance& inst, int inst_nr) {
  IntervalGrid& grid = inst.grid;
  ProcessFits& fits = inst.fits;
  CountTables& counts = inst.counts;

  f_build_interval_grid(grid, inst_nr);
  check_grid_against_tables(grid, inst_nr);

  f_reset_layout(fits);
  f_set_event_caps(gv_CFG_mxn_suc, gv_mxq, grid.mxs);
  // Known before the service tables are built, although the layout flags are
  // final only after the last abandonment fit.
  bool multi_phase = f_instance_multi_phase();

  f_fit_periods(fits.iat, ProcessKind::arrival, fits, gv_iat_nr, gv_iat_mean, gv_iat_scv, gv_iat_kappa,
                gv_CFG_precision);
  double thin_rate = f_arrival_thin_rate(fits.iat, gv_CFG_sim_reset);
  int first_failed = f_build_arrival_tables(counts, fits.iat, grid.Delta, gv_mxq, gv_CFG_mxn_suc,
                                            gv_CFG_precision, thin_rate);
  check_arrival_tables(fits, first_failed, inst_nr);

  f_fit_periods(fits.ser, ProcessKind::service, fits, gv_ser_nr, gv_ser_mean, gv_ser_scv, gv_ser_kappa,
                gv_CFG_precision);
  f_build_event_tables({&counts.ser_cmp, &counts.ser_cmp_ph2, &counts.ser_adv_ph1}, fits.ser, grid.mxs,
                       gv_mxn_ser, grid.Delta, gv_CFG_mxn_suc, gv_CFG_mxn_suc_2PH, multi_phase);

  f_fit_periods(fits.abd, ProcessKind::abandonment, fits, gv_abd_nr, gv_abd_mean, gv_abd_scv, gv_abd_kappa,
                gv_CFG_precision);
  check_abandonment_binom_rows(fits, multi_phase, inst_nr);
  f_build_event_tables({&counts.abd_cnt, &counts.abd_cnt_ph2, &counts.abd_adv_ph1}, fits.abd, gv_mxq,
                       gv_mxn_abd, grid.Delta, gv_CFG_mxn_suc, gv_CFG_mxn_suc_2PH, multi_phase);

  f_allocate_model_arrays(inst.results, inst.state, grid, gv_mxq);
  f_build_split_tables(inst.splits, fits, gv_abd_scv, grid.mxs, gv_mxq);
}
