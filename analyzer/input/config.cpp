// Storage of the run configuration: every number starts at 0 and both
// strings empty, until f_read_config fills them once at start-up.
#include "analyzer/input/config.h"

std::string InstFileName;
std::string InstFileExt;
std::string SummaryFileName;

int gv_CFG_fnr = 0;
int gv_CFG_lnr = 0;
int gv_CFG_Delta = 0;
double gv_CFG_Delta_abs = 0.0;
double gv_CFG_Delta_pct = 0.0;
double gv_CFG_mxt = 0.0;
int gv_CFG_mxq = 0;
double gv_CFG_mxq_precision = 0.0;
int gv_CFG_sim_mxq = 0;
int gv_CFG_nrc = 0;
int gv_CFG_nri = 0;
int gv_CFG_sim_seed = 0;
int gv_CFG_sim_reset = 0;
double gv_CFG_precision = 0.0;
double gv_CFG_precision_stat = 0.0;
int gv_CFG_order_iat = 0;
int gv_CFG_order_ser = 0;
int gv_CFG_order_abd = 0;
double gv_CFG_obs_int = 0.0;
int gv_CFG_write_obs = 0;
int gv_CFG_sim_iat_dist = 0;
int gv_CFG_sim_ser_dist = 0;
int gv_CFG_sim_abd_dist = 0;
double gv_CFG_iat_kappa = 0.0;
double gv_CFG_ser_kappa = 0.0;
double gv_CFG_abd_kappa = 0.0;
int gv_CFG_new_output = 0;
int gv_CFG_mxn_suc = 0;
int gv_CFG_mxn_suc_2PH = 0;

int gv_mxq = 0;
