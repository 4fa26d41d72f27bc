// The run configuration read from CONFIG.DAT. Written once by f_read_config,
// read-only afterwards. Every number starts at 0 and both strings empty.
#pragma once

#include <string>

extern std::string InstFileName;     // prefix of the instance file names
extern std::string InstFileExt;      // extension of the instance file names
extern std::string SummaryFileName;  // "SUMMARY.CSV", set by f_read_config

extern int gv_CFG_fnr;               // first instance number
extern int gv_CFG_lnr;               // instance number at which the loop stops
extern int gv_CFG_Delta;             // 0 = absolute Delta, 1 = from service times
extern double gv_CFG_Delta_abs;      // absolute interval length, or -1.0
extern double gv_CFG_Delta_pct;      // percentage of the service time, or -1.0
extern double gv_CFG_mxt;            // longest waiting time of interest
extern int gv_CFG_mxq;               // configured maximum number waiting
extern double gv_CFG_mxq_precision;  // -1.0, or tail probability in [0, 1)
extern int gv_CFG_sim_mxq;           // queue places of the simulation
extern int gv_CFG_nrc;               // model cycles; 0 = until the cycle is steady
extern int gv_CFG_nri;               // simulation iterations; 0 = none
extern int gv_CFG_sim_seed;          // -1 = seed from the clock
extern int gv_CFG_sim_reset;         // -1 thinning, 0 no reset, 1 reset
extern double gv_CFG_precision;      // tolerance of fits and mass checks
extern double gv_CFG_precision_stat; // tolerance of the steady-cycle test
extern int gv_CFG_order_iat;         // position of the arrival transition
extern int gv_CFG_order_ser;         // position of the service transition, -1 off
extern int gv_CFG_order_abd;         // position of the abandonment transition, -1 off
extern double gv_CFG_obs_int;        // time between observation moments
extern int gv_CFG_write_obs;         // 0 = every interval, 1 = observation intervals
extern int gv_CFG_sim_iat_dist;      // simulated distribution codes 0..3
extern int gv_CFG_sim_ser_dist;
extern int gv_CFG_sim_abd_dist;
extern double gv_CFG_iat_kappa;      // Coxian kappa per process, in (0, 1)
extern double gv_CFG_ser_kappa;
extern double gv_CFG_abd_kappa;
extern int gv_CFG_new_output;        // 1 adds rows and tables to the reports
extern int gv_CFG_mxn_suc;           // largest event count per interval
extern int gv_CFG_mxn_suc_2PH;       // -1, or series terms of the two-phase table

// Working bound of waiting units per patience phase; 0 until an instance's
// initialisation sets it.
extern int gv_mxq;
