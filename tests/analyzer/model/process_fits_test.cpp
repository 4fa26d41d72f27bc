// Tests of the per-period fits, the state layout flags, the event caps and the
// two-phase reading of a fit.
#include "analyzer/model/process_fits.h"

#include <gtest/gtest.h>

#include "tests/analyzer/model/init_fixture.h"

using namespace init_fixture;

namespace {

constexpr double kTight = 1e-13;

// Fits arrivals, then service, then patience, as the initialisation does.
ProcessFits fit_all() {
  ProcessFits fits;
  f_reset_layout(fits);
  f_fit_periods(fits.iat, ProcessKind::arrival, fits, gv_iat_nr, gv_iat_mean, gv_iat_scv, gv_iat_kappa, 1e-9);
  f_fit_periods(fits.ser, ProcessKind::service, fits, gv_ser_nr, gv_ser_mean, gv_ser_scv, gv_ser_kappa, 1e-9);
  f_fit_periods(fits.abd, ProcessKind::abandonment, fits, gv_abd_nr, gv_abd_mean, gv_abd_scv, gv_abd_kappa, 1e-9);
  return fits;
}

int flags_set(const ProcessFits& f) { return int{f.layout_exp} + int{f.layout_serabd} + int{f.layout_arr}; }

}  // namespace

TEST(StateLayout, AllOnePhaseIsTheExponentialLayout) {
  set_run_defaults();
  set_arrivals({{5.0, 1.0, 1.0}, {5.0, 2.0, 1.0}});
  set_service({{10.0, 1.0, 1.0}});
  set_patience({{10.0, 3.0, 1.0}});
  ProcessFits fits = fit_all();
  EXPECT_TRUE(fits.layout_exp);
  EXPECT_EQ(flags_set(fits), 1);
  EXPECT_FALSE(f_instance_multi_phase());
  ASSERT_EQ(fits.iat.size(), 2u);
  EXPECT_EQ(fits.iat[1].n, 1);
  EXPECT_EQ(fits.iat[1].q(0, 0), -0.5);
}

TEST(StateLayout, MultiPhasePatienceWithOnePhaseArrivalsIsServAbd) {
  set_run_defaults();
  set_arrivals({{10.0, 1.0, 1.0}});
  set_service({{10.0, 1.0, 1.0}});
  set_patience({{5.0, 3.0, 1.0}, {5.0, 3.0, 2.0}});
  ProcessFits fits = fit_all();
  EXPECT_TRUE(fits.layout_serabd);
  EXPECT_EQ(flags_set(fits), 1);
  EXPECT_TRUE(f_instance_multi_phase());
  EXPECT_EQ(fits.abd[1].n, 2);
}

TEST(StateLayout, OneMultiPhaseArrivalPeriodGivesTheFullLayout) {
  set_run_defaults();
  set_arrivals({{4.0, 1.0, 1.0}, {3.0, 1.0, 0.5}, {3.0, 1.0, 1.0}});
  set_service({{10.0, 1.0, 1.0}});
  set_patience({{10.0, 3.0, 1.0}});
  ProcessFits fits = fit_all();
  EXPECT_TRUE(fits.layout_arr);
  EXPECT_EQ(flags_set(fits), 1);

  // Multi-phase service as well: still the full layout.
  set_service({{10.0, 1.0, 2.0}});
  fits = fit_all();
  EXPECT_TRUE(fits.layout_arr);
  EXPECT_EQ(flags_set(fits), 1);
}

TEST(EventCaps, SmallerOfSuccessesAndBound) {
  f_set_event_caps(3, 10, 2);
  EXPECT_EQ(gv_mxn_abd, 3);
  EXPECT_EQ(gv_mxn_ser, 2);
  f_set_event_caps(0, 10, 2);
  EXPECT_EQ(gv_mxn_abd, 0);
  EXPECT_EQ(gv_mxn_ser, 0);
}

TEST(TwoPhaseRates, CoxianReadsItsBranchingProbability) {
  set_run_defaults();
  PhaseType ph;
  f_PH_fit(ph, 1.0, 2, 2.0, 0.5, 1e-9);
  TwoPhaseRates r = f_two_phase_rates(ph);
  EXPECT_NEAR(r.mu1, 2.0, kTight);
  EXPECT_NEAR(r.mu2, 0.5, kTight);
  EXPECT_NEAR(r.p, 0.25, kTight);
}

TEST(TwoPhaseRates, HypoExponentialMovesEveryPhaseOneEvent) {
  set_run_defaults();
  PhaseType ph;
  f_PH_fit(ph, 1.0, 2, 0.5, 0.5, 1e-9);
  TwoPhaseRates r = f_two_phase_rates(ph);
  EXPECT_EQ(r.p, 1.0);
  EXPECT_NEAR(r.mu1, 2.0, kTight);
  EXPECT_NEAR(r.mu2, 2.0, kTight);
}

// Mended: a one-phase period read as a two-phase chain completes every
// phase-1 event (p = 0) and keeps the rate in phase 2.
TEST(TwoPhaseRates, OnePhaseFitReadsAsChainOfEqualRatesWithoutMoves) {
  set_run_defaults();
  PhaseType ph;
  f_PH_fit(ph, 0.25, 1, 1.0, 0.5, 1e-9);
  TwoPhaseRates r = f_two_phase_rates(ph);
  EXPECT_EQ(r.mu1, 0.25);
  EXPECT_EQ(r.mu2, 0.25);
  EXPECT_EQ(r.p, 0.0);
}
