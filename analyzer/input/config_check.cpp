// Checks of the run configuration in their fixed order; each message begins
// with "Error in CONFIG.DAT: " and is worded exactly as users of the program
// know it (its typos included).
#include "analyzer/input/config_check.h"

#include "analyzer/input/config.h"
#include "analyzer/input/run_tables.h"
#include "kernel/fatal_exit.h"

namespace {

bool is_order(int v) { return v == 1 || v == 2 || v == 3; }
bool is_dist_code(int v) { return v >= 0 && v <= 3; }
bool is_open_unit(double v) { return v > 0.0 && v < 1.0; }

}  // namespace

std::string f_first_config_error(int binom_order) {
  const std::string e = "Error in CONFIG.DAT: ";
  if (!(gv_CFG_fnr < gv_CFG_lnr))
    return e + "first instance number is larger than/equal to last instance number";
  if (!(gv_CFG_Delta == 0 || gv_CFG_Delta == 1))
    return e + "incorrect value for gv_CFG_Delta.";
  if (gv_CFG_Delta == 1 && !(gv_CFG_Delta_pct > 0.0))
    return e + "negative value for Delta (gv_CFG_Delta_pct).";
  if (gv_CFG_Delta == 0 && !(gv_CFG_Delta_abs > 0.0))
    return e + "negative value for Delta (gv_CFG_Delta_abs).";
  if (!(gv_CFG_mxt >= 0.0))
    return e + "negative maximum allowed waiting time (gv_CFG_mxt).";
  if (!(gv_CFG_mxq > 0))
    return e + "negative/zero maximum queue size (gv_CFG_mxt).";
  if (!(gv_CFG_mxq <= binom_order))
    return e + "maximum queue size exceeds " + std::to_string(binom_order) + " (gv_CFG_mxt).";
  if (!(gv_CFG_mxq_precision == -1.0 ||
        (gv_CFG_mxq_precision >= 0.0 && gv_CFG_mxq_precision < 1.0)))
    return e + "incorrect value for gv_CFG_mxq_precision..";
  if (!(gv_CFG_sim_mxq > 0))
    return e + "negative/zero maximum simulation queue size (gv_CFG_mxt).";
  if (!(gv_CFG_nrc >= 0))
    return e + "negative number of cycles (gv_CFG_nrc).";
  if (!(gv_CFG_nri >= 0))
    return e + "negative number of simulation iterations (gv_CFG_nri).";
  if (!(gv_CFG_sim_seed == -1 || gv_CFG_sim_seed >= 0))
    return e + "incorrect simulation seed value (gv_CFG_sim_seed).";
  if (!(gv_CFG_sim_reset == 0 || gv_CFG_sim_reset == 1 || gv_CFG_sim_reset == -1))
    return e + "incorrect value for gv_CFG_sim_reset.";
  if (!(gv_CFG_precision >= 0.0))
    return e + "negative precision (gv_CFG_precision).";
  if (!(gv_CFG_precision_stat >= 0.0))
    return e + "negative precision (gv_CFG_precision_stat).";
  if (!is_order(gv_CFG_order_iat))
    return e + "incorrect order for the arrival process (gv_CFG_order_iat).";
  if (!(is_order(gv_CFG_order_ser) || gv_CFG_order_ser == -1))
    return e + "incorrect order for the service process (gv_CFG_order_ser).";
  if (!(is_order(gv_CFG_order_abd) || gv_CFG_order_abd == -1))
    return e + "incorrect order for the abandonment process (gv_CFG_order_abd).";
  if (!(gv_CFG_obs_int >= 0.0))
    return e + "negative observation interval length (gv_CFG_obs_int).";
  if (!(gv_CFG_write_obs == 0 || gv_CFG_write_obs == 1))
    return e + "incorrect value for gv_CFG_write_obs.";
  if (!is_dist_code(gv_CFG_sim_iat_dist))
    return e + "incorrect distribution for the arrival process (gv_CFG_sim_iat_dist).";
  if (!is_dist_code(gv_CFG_sim_ser_dist))
    return e + "incorrect distribution for the service process (gv_CFG_sim_ser_dist).";
  if (!is_dist_code(gv_CFG_sim_abd_dist))
    return e + "incorrect distribution for the abandonment process (gv_CFG_sim_abd_dist).";
  if (!is_open_unit(gv_CFG_iat_kappa))
    return e + "incorrect value for arrival process kappa (gv_CFG_iat_kappa).";
  if (!is_open_unit(gv_CFG_ser_kappa))
    return e + "incorrect value for service process kappa (gv_CFG_ser_kappa).";
  if (!is_open_unit(gv_CFG_abd_kappa))
    return e + "incorrect value for abandonment process kappa (gv_CFG_abd_kappa).";
  if (!(gv_CFG_new_output == 0 || gv_CFG_new_output == 1))
    return e + "incorrect value for gv_CFG_new_output.";
  if (!(gv_CFG_mxn_suc >= 0))
    return e + "negative maximum number of successes (gv_CFG_mxn_suc).";
  if (gv_CFG_mxn_suc_2PH > 0 && gv_CFG_mxn_suc_2PH < gv_CFG_mxn_suc)
    return e + "too small maximum number of successes to be used during the "
               "f_2PH_advancement procedure (gv_CFG_mxn_suc_2PH should be larger than "
               "gv_CFG_mxn_suc).";
  if (!(gv_CFG_mxn_suc_2PH == -1 || gv_CFG_mxn_suc_2PH > 0))
    return e + "incorrect value for gv_CFG_mxn_suc_2PH.";
  return "";
}

void f_check_config() {
  const std::string error = f_first_config_error(binom_n);
  if (!error.empty()) f_fatal_exit(error);
}
