// Phase counts and two-moment phase-type fits: the entries of Q and alpha, the
// moments they give, and the one-sided mean and variance checks that end the run.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "analyzer/model/phase_type.h"
#include "tests/support/child_process.h"

namespace {

constexpr double kTight = 1e-13;
constexpr double kLoose = 1e-9;
constexpr double kNoCheck = 1e300;  // a tolerance no residue reaches

const std::string kChainMean =
    "Error in computation of expected value of the hypo-exponential distribution. Press any key to quit.";
const std::string kChainVariance =
    "Error in computation of variance of the hypo-exponential distribution. Press any key to quit.";
const std::string kCoxianMean =
    "Error in computation of expected value of the two-phase Coxian distribution. Press any key to quit.";
const std::string kCoxianVariance =
    "Error in computation of variance of the two-phase Coxian distribution. Press any key to quit.";

PhaseType fit(double mean, double scv, double kappa = 0.5, double precision = kNoCheck) {
  PhaseType ph;
  f_PH_fit(ph, 1.0 / mean, f_number_of_phases(scv), scv, kappa, precision);
  return ph;
}

// Runs the fit where a failed check can end the run.
ChildResult fit_in_child(double mean, double scv, double kappa, double precision) {
  return run_in_child([=] { fit(mean, scv, kappa, precision); });
}

void expect_passes(double mean, double scv, double kappa, double precision) {
  ChildResult r = fit_in_child(mean, scv, kappa, precision);
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.status, 0) << "mean " << mean << " scv " << scv << " kappa " << kappa;
  EXPECT_EQ(r.out, "");
}

void expect_ends_with(const std::string& message, double mean, double scv, double kappa, double precision) {
  ChildResult r = fit_in_child(mean, scv, kappa, precision);
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.status, 1) << "mean " << mean << " scv " << scv << " kappa " << kappa;
  EXPECT_EQ(r.out, "\n" + message);
}

// Mean and variance of the phase-type distribution (alpha = e_0, Q upper
// bidiagonal): E[T^k] from the first-passage recursion over the phases.
void moments(const PhaseType& ph, double& mean, double& variance) {
  std::vector<double> m1(static_cast<std::size_t>(ph.n)), m2(static_cast<std::size_t>(ph.n));
  for (int i = ph.n - 1; i >= 0; --i) {
    double rate = -ph.q(i, i);
    double go_on = i + 1 < ph.n ? ph.q(i, i + 1) / rate : 0.0;
    double after1 = i + 1 < ph.n ? m1[static_cast<std::size_t>(i + 1)] : 0.0;
    double after2 = i + 1 < ph.n ? m2[static_cast<std::size_t>(i + 1)] : 0.0;
    // T_i = Exp(rate) + (with probability go_on) T_{i+1}.
    m1[static_cast<std::size_t>(i)] = 1.0 / rate + go_on * after1;
    m2[static_cast<std::size_t>(i)] = 2.0 / (rate * rate) + go_on * (2.0 / rate * after1 + after2);
  }
  mean = m1[0];
  variance = m2[0] - mean * mean;
}

TEST(PhaseCount, FollowsTheScvRule) {
  EXPECT_EQ(f_number_of_phases(1.0), 1);
  EXPECT_EQ(f_number_of_phases(0.5), 2);
  EXPECT_EQ(f_number_of_phases(0.4), 3);
  EXPECT_EQ(f_number_of_phases(0.3), 4);
  EXPECT_EQ(f_number_of_phases(1.0 / 3.0), 3);
  EXPECT_EQ(f_number_of_phases(0.99), 2);
  EXPECT_EQ(f_number_of_phases(1.5), 2);
  EXPECT_EQ(f_number_of_phases(4.0), 2);
  EXPECT_EQ(f_number_of_phases(std::nextafter(1.0, 0.0)), 2);
  EXPECT_EQ(f_number_of_phases(std::nextafter(1.0, 2.0)), 2);
  EXPECT_EQ(f_number_of_phases(std::numeric_limits<double>::quiet_NaN()), 2);
}

TEST(PhaseTypeFit, ScvOneIsExponentialWithoutCheck) {
  PhaseType ph = fit(1.0, 1.0, std::numeric_limits<double>::quiet_NaN());
  ASSERT_EQ(ph.n, 1);
  EXPECT_EQ(ph.q(0, 0), -1.0);
  EXPECT_EQ(ph.alpha[0], 1.0);
  PhaseType slow = fit(4.0, 1.0);
  EXPECT_EQ(slow.q(0, 0), -0.25);
  expect_passes(1.0, 1.0, 0.5, 0.0);
}

TEST(PhaseTypeFit, ScvOneOverWholeNumberIsErlang) {
  for (double scv : {0.5, 0.25, 0.125, 0.2, 0.1}) {
    PhaseType ph = fit(1.0, scv);
    int n = f_number_of_phases(scv);
    ASSERT_EQ(ph.n, n);
    for (int i = 0; i < n; ++i) EXPECT_NEAR(ph.q(i, i), -n, kTight * n) << scv;
    for (int i = 0; i + 1 < n; ++i) EXPECT_EQ(ph.q(i, i + 1), -ph.q(i, i));
    expect_passes(1.0, scv, 0.5, 0.0);
  }
}

TEST(PhaseTypeFit, HypoExponentialLayoutAndRates) {
  PhaseType ph = fit(1.0, 0.3);
  ASSERT_EQ(ph.n, 4);
  double mu = (3.0 - std::sqrt(0.6)) / 0.7;
  double mu_last = (1.0 + std::sqrt(0.6)) / 0.1;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      double expected = 0.0;
      if (i == j) expected = i < 3 ? -mu : -mu_last;
      if (j == i + 1) expected = mu;
      EXPECT_NEAR(ph.q(i, j), expected, kTight * 20) << i << "," << j;
    }
  EXPECT_EQ(ph.alpha, (std::vector<double>{1.0, 0.0, 0.0, 0.0}));
  EXPECT_NEAR(mu, 3.18, 0.01);
  EXPECT_NEAR(mu_last, 17.7, 0.1);

  PhaseType ph26 = fit(1.0, 0.26);
  EXPECT_NEAR(-ph26.q(0, 0), (3.0 - std::sqrt(0.12)) / 0.74, kTight);
  EXPECT_NEAR(-ph26.q(3, 3), (1.0 + std::sqrt(0.12)) / 0.22, kTight);
}

TEST(PhaseTypeFit, CoxianLayoutAndRates) {
  PhaseType ph = fit(1.0, 2.0, 0.5);
  ASSERT_EQ(ph.n, 2);
  EXPECT_EQ(ph.q(0, 0), -2.0);
  EXPECT_EQ(ph.q(0, 1), 0.5);
  EXPECT_EQ(ph.q(1, 0), 0.0);
  EXPECT_EQ(ph.q(1, 1), -0.5);
  EXPECT_EQ(ph.alpha, (std::vector<double>{1.0, 0.0}));

  PhaseType k9 = fit(1.0, 5.0, 0.9);
  EXPECT_NEAR(-k9.q(0, 0), 10.0 / 9.0, kTight);
  EXPECT_NEAR(-k9.q(0, 1) / k9.q(0, 0), 1.0 / 210.0, kTight);
  EXPECT_NEAR(-k9.q(1, 1), 1.0 / 21.0, kTight);
}

TEST(PhaseTypeFit, FittedMomentsMatchTheTargets) {
  for (double mean : {0.5, 1.0, 37.0})
    for (double scv : {0.9, 0.7, 0.45, 0.3, 0.26, 0.15, 1.0, 1.2, 2.0, 5.0, 30.0})
      for (double kappa : {0.1, 0.5, 0.9}) {
        PhaseType ph = fit(mean, scv, kappa);
        double m = 0.0, v = 0.0;
        moments(ph, m, v);
        EXPECT_NEAR(m / mean, 1.0, kLoose) << mean << " " << scv << " " << kappa;
        EXPECT_NEAR(v / (mean * mean), scv, kLoose * scv) << mean << " " << scv << " " << kappa;
      }
}

TEST(PhaseTypeFit, ChainChecksAreOneSided) {
  // Mean residue +5.6e-17: fails at tolerance 0, passes at 1e-12.
  expect_ends_with(kChainMean, 1.0, 0.3, 0.5, 0.0);
  expect_passes(1.0, 0.3, 0.5, 1e-12);
  expect_ends_with(kChainMean, 0.5, 0.3, 0.5, 0.0);
  // Mean residue -5.6e-17 passes even at 0.
  expect_passes(1.0, 0.26, 0.5, 0.0);
  // Variance residue about +8.6e-14.
  expect_ends_with(kChainVariance, 1.0, 1.0 - 1e-3, 0.5, 0.0);
  expect_passes(1.0, 1.0 - 1e-3, 0.5, 1e-12);
}

TEST(PhaseTypeFit, CoxianChecksAreOneSided) {
  expect_passes(1.0, 2.0, 0.5, 0.0);
  expect_ends_with(kCoxianVariance, 1.0, 5.0, 0.5, 0.0);
  expect_ends_with(kCoxianMean, 1.0, 2.0, 0.9, 0.0);
  expect_ends_with(kCoxianMean, 1.0, 5.0, 0.9, 0.0);
}

TEST(PhaseTypeFit, ToleranceIsAbsolute) {
  expect_ends_with(kCoxianVariance, 7.1e4, 2.0, 0.5, 1e-6);
  expect_passes(7e4, 2.0, 0.5, 1e-6);
  expect_passes(1e5, 2.0, 0.5, 1e-6);
}

// The double nearest to 1/m lies just below 1/m for these m: n c computed as
// (n - 1) c + c falls short of 1 by rounding, and the radicand must count as 0.
TEST(PhaseTypeFit, RoundedScvNearOneOverWholeNumberGivesErlang) {
  for (int m : {6, 14, 24}) {
    double scv = 1.0 / m;
    ASSERT_EQ(f_number_of_phases(scv), m);
    ASSERT_LT((static_cast<double>(m - 1) * scv + scv) - 1.0, 0.0) << "not the rounding corner for " << m;
    for (double mean : {1.0, 0.25, 8.0}) {
      PhaseType ph = fit(mean, scv);
      for (int i = 0; i < m; ++i) {
        ASSERT_TRUE(std::isfinite(ph.q(i, i))) << m;
        EXPECT_NEAR(-ph.q(i, i) * mean, m, kTight * m) << m << " phase " << i;
      }
      expect_passes(mean, scv, 0.5, 1e-12);
    }
  }
}

}  // namespace
