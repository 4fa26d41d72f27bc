// Phase-type fits of every period of the arrival, service and abandonment
// processes, the state layout they select, the event caps per interval, and
// the two-phase reading (mu1, mu2, p) of a fit used by the count and split
// tables.
#pragma once

#include <vector>

#include "analyzer/model/model_data.h"

// Which process a set of periods belongs to; arrivals alone set layout_arr.
enum class ProcessKind { arrival, service, abandonment };

// layout_exp := true, layout_serabd := layout_arr := false.
void f_reset_layout(ProcessFits& fits);

// gv_mxn_abd := min(mxn_suc, mxq), gv_mxn_ser := min(mxn_suc, mxs).
void f_set_event_caps(int mxn_suc, int mxq, int mxs);

// Fits the periods 0..nr-1 of one process into out, in order, with rate
// 1.0 / mean[i], SCV scv[i] and kappa[i], and updates the layout flags of fits
// as each period's number of phases is known. Ends the run on a failed fit.
void f_fit_periods(std::vector<PhaseType>& out, ProcessKind kind, ProcessFits& fits, int nr,
                   const std::vector<double>& mean, const std::vector<double>& scv,
                   const std::vector<double>& kappa, double precision);

// True when some period of some process of the instance just read has more
// than one phase, that is when the model runs a multi-phase layout. Known
// from the SCVs alone, before any fit.
bool f_instance_multi_phase();

// The two-phase reading of a fit: phase-1 rate -Q[0][0], phase-2 rate
// -Q[1][1] and p = -(Q[0][1] / Q[0][0]), the probability that a phase-1 event
// moves the unit on to phase 2. A one-phase fit of rate mu reads as the chain
// mu, mu with p = 0.0: every phase-1 event completes, and a unit still in
// phase 2 from an earlier period completes at the same rate.
struct TwoPhaseRates {
  double mu1 = 0.0;
  double mu2 = 0.0;
  double p = 0.0;
};
TwoPhaseRates f_two_phase_rates(const PhaseType& ph);
