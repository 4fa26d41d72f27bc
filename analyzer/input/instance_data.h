// The data of one instance, written by f_read_instance and read-only
// afterwards: per process its periods (duration, mean, SCV, Coxian kappa) in
// cycle order, and the server periods.
#pragma once

#include <vector>

extern int gv_iat_nr;
extern std::vector<double> gv_iat_dur, gv_iat_mean, gv_iat_scv, gv_iat_kappa;
extern int gv_ser_nr;
extern std::vector<double> gv_ser_dur, gv_ser_mean, gv_ser_scv, gv_ser_kappa;
extern int gv_abd_nr;
extern std::vector<double> gv_abd_dur, gv_abd_mean, gv_abd_scv, gv_abd_kappa;
extern int gv_srv_nr;
extern std::vector<double> gv_srv_dur;
extern std::vector<int> gv_srv_s;
