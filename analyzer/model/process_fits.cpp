// Phase-type fits per period, the state layout flags and the event caps.
#include "analyzer/model/process_fits.h"

#include <cstddef>

#include "analyzer/input/instance_data.h"

int gv_mxn_abd = 0;
int gv_mxn_ser = 0;

void f_reset_layout(ProcessFits& fits) {
  fits.layout_exp = true;
  fits.layout_serabd = false;
  fits.layout_arr = false;
}

void f_set_event_caps(int mxn_suc, int mxq, int mxs) {
  gv_mxn_abd = mxn_suc < mxq ? mxn_suc : mxq;
  gv_mxn_ser = mxn_suc < mxs ? mxn_suc : mxs;
}

namespace {

// A multi-phase arrival period always gives the full layout; a multi-phase
// service or patience period gives layout_serabd only while arrivals are
// one-phase.
void update_layout(ProcessFits& fits, ProcessKind kind, int n) {
  if (n <= 1) return;
  if (kind == ProcessKind::arrival) {
    fits.layout_exp = false;
    fits.layout_arr = true;
    return;
  }
  if (fits.layout_exp) {
    fits.layout_serabd = true;
  } else if (!fits.layout_serabd) {
    fits.layout_arr = true;
  }
  fits.layout_exp = false;
}

bool any_multi_phase(int nr, const std::vector<double>& scv) {
  for (int i = 0; i < nr; ++i) {
    if (f_number_of_phases(scv[static_cast<std::size_t>(i)]) > 1) return true;
  }
  return false;
}

}  // namespace

void f_fit_periods(std::vector<PhaseType>& out, ProcessKind kind, ProcessFits& fits, int nr,
                   const std::vector<double>& mean, const std::vector<double>& scv,
                   const std::vector<double>& kappa, double precision) {
  out.assign(static_cast<std::size_t>(nr), PhaseType{});
  for (int i = 0; i < nr; ++i) {
    std::size_t k = static_cast<std::size_t>(i);
    int n = f_number_of_phases(scv[k]);
    update_layout(fits, kind, n);
    f_PH_fit(out[k], 1.0 / mean[k], n, scv[k], kappa[k], precision);
  }
}

bool f_instance_multi_phase() {
  return any_multi_phase(gv_iat_nr, gv_iat_scv) || any_multi_phase(gv_ser_nr, gv_ser_scv) ||
         any_multi_phase(gv_abd_nr, gv_abd_scv);
}

TwoPhaseRates f_two_phase_rates(const PhaseType& ph) {
  TwoPhaseRates r;
  r.mu1 = -ph.q(0, 0);
  if (ph.n == 1) {
    r.mu2 = r.mu1;
    r.p = 0.0;
  } else {
    r.mu2 = -ph.q(1, 1);
    r.p = -(ph.q(0, 1) / ph.q(0, 0));
  }
  return r;
}
