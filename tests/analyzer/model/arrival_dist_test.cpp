// Arrival count distribution of a phase-type renewal process over one
// interval: exact Poisson and Erlang-2 counts, the thinned form, the choice
// of sub-steps, the insufficient-mass warning and the sub-step bound.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "analyzer/model/arrival_dist.h"
#include "tests/analyzer/model/cout_capture.h"
#include "tests/support/child_process.h"

namespace {

constexpr double kTight = 2e-15;
constexpr double kMassDigits = 1e-5;  // the warning prints six significant digits
constexpr double kPlain = -1.0;

PhaseType make_ph(int n, std::vector<double> Q) {
  PhaseType ph;
  ph.n = n;
  ph.Q = std::move(Q);
  ph.alpha.assign(static_cast<std::size_t>(n), 0.0);
  ph.alpha[0] = 1.0;
  return ph;
}

double poisson(double mean, int k) {
  if (k < 0) return 0.0;
  return std::exp(-mean + k * std::log(mean) - std::lgamma(k + 1.0));
}

// The masses named by the warnings, in order; fails on any other text.
std::vector<double> warned_masses(const std::string& out, int mxq) {
  std::regex one("\nInsufficient probability mass \\(mass = ([^ ]+) & should be 1\\)\\. Maximum number of "
                 "arrivals specified \\(" + std::to_string(mxq) + "\\) is not sufficient\\.");
  std::vector<double> masses;
  std::string rest = out;
  std::smatch m;
  while (std::regex_search(rest, m, one, std::regex_constants::match_continuous)) {
    masses.push_back(std::stod(m[1].str()));
    rest = m.suffix().str();
  }
  EXPECT_EQ(rest, "") << "unexpected output";
  return masses;
}

struct ArrivalRun {
  ArrivalBlock out;
  bool kept = false;
  std::string text;
};

ArrivalRun run(const PhaseType& ph, double Delta, double thin, int mxq, int N, double precision) {
  ArrivalRun r;
  CoutCapture capture;
  r.kept = f_arrival_dist(r.out, ph, Delta, thin, mxq, N, precision, 0);
  r.text = capture.text();
  return r;
}

double row_mass(const ArrivalBlock& b, int a) {
  double s = 0.0;
  for (int e = 0; e < b.n; ++e)
    for (int k = 0; k <= b.mxq; ++k) s += b.at(a, e, k);
  return s;
}

TEST(ArrivalCounts, OnePhaseMatchesPoisson) {
  ArrivalRun r = run(make_ph(1, {-1.0}), 1.0, kPlain, 20, 10, 1e-9);
  EXPECT_TRUE(r.kept);
  EXPECT_EQ(r.text, "");
  ASSERT_EQ(r.out.n, 1);
  ASSERT_EQ(r.out.mxq, 20);
  for (int k = 0; k <= 20; ++k) EXPECT_NEAR(r.out.at(0, 0, k), poisson(1.0, k), kTight) << k;
}

// Erlang-2 at phase rate 2: phase completions are Poisson(2t); from start
// phase a, m completions mean floor((a + m)/2) arrivals and end phase (a + m) mod 2.
void expect_erlang_two(const ArrivalBlock& out, double t) {
  for (int a = 0; a < 2; ++a)
    for (int b = 0; b < 2; ++b)
      for (int k = 0; k <= out.mxq; ++k)
        EXPECT_NEAR(out.at(a, b, k), poisson(2.0 * t, 2 * k + b - a), kTight) << a << b << " k=" << k;
}

TEST(ArrivalCounts, ErlangTwoMatchesExactCounts) {
  PhaseType erlang = make_ph(2, {-2.0, 2.0, 0.0, -2.0});
  ArrivalRun plain = run(erlang, 0.7, kPlain, 15, 10, 1e-9);
  EXPECT_TRUE(plain.kept);
  EXPECT_EQ(plain.text, "");
  expect_erlang_two(plain.out, 0.7);

  ArrivalRun thinned = run(erlang, 0.7, 5.0, 15, 10, 1e-9);
  EXPECT_TRUE(thinned.kept);
  EXPECT_EQ(thinned.text, "");
  ASSERT_EQ(thinned.out.n, 2);
  expect_erlang_two(thinned.out, 0.7);
}

TEST(ArrivalCounts, ThinnedAgreesWithPlainForCoxianLikeChain) {
  PhaseType ph = make_ph(2, {-3.0, 0.6, 0.0, -0.5});
  ArrivalRun plain = run(ph, 1.0, kPlain, 25, 10, 1e-6);
  ArrivalRun thinned = run(ph, 1.0, 5.0, 25, 10, 1e-6);
  EXPECT_TRUE(plain.kept);
  EXPECT_TRUE(thinned.kept);
  EXPECT_EQ(plain.text + thinned.text, "");
  for (int a = 0; a < 2; ++a) {
    EXPECT_NEAR(row_mass(plain.out, a), 1.0, kTight);
    for (int b = 0; b < 2; ++b)
      for (int k = 0; k <= 25; ++k) EXPECT_NEAR(plain.out.at(a, b, k), thinned.out.at(a, b, k), kTight);
  }
}

TEST(ArrivalCounts, LongSeriesStaysFiniteAndNormalised) {
  PhaseType ph = make_ph(2, {-3.0, 0.6, 0.0, -0.5});
  ArrivalRun r = run(ph, 2.0, kPlain, 30, 40, 1e-9);
  EXPECT_TRUE(r.kept);
  for (double v : r.out.v) EXPECT_TRUE(std::isfinite(v));
  for (int a = 0; a < 2; ++a) EXPECT_NEAR(row_mass(r.out, a), 1.0, kTight);
}

// With N = 1 each sub-step keeps the mass e^(-hL)(1 + hL), so the warning
// reveals K: the mass after the interval is (e^(-hL)(1 + hL))^K, h = Delta/K.
TEST(ArrivalCounts, SubStepsArePowersOfTwoCoveringNDeltaL) {
  PhaseType ph = make_ph(1, {-1.0});
  struct Case {
    double Delta;
    int K;
  };
  for (Case c : {Case{1.0, 1}, Case{2.0, 2}, Case{std::nextafter(2.0, 3.0), 4}, Case{0.25, 1}, Case{5.0, 8}}) {
    ArrivalRun r = run(ph, c.Delta, kPlain, 30, 1, 0.0);
    std::vector<double> m = warned_masses(r.text, 30);
    ASSERT_EQ(m.size(), 1u) << c.Delta;
    double hL = c.Delta / c.K;
    EXPECT_NEAR(m[0], std::pow(std::exp(-hL) * (1.0 + hL), c.K), kMassDigits) << "Delta " << c.Delta;
  }
}

TEST(ArrivalCounts, TooShortSeriesIsWarnedAndZeroed) {
  PhaseType ph = make_ph(1, {-3.0});
  // N = 2: K = 8; N = 4: K = 16. Each sub-step keeps the first N + 1 terms.
  for (int N : {2, 4}) {
    int K = N == 2 ? 8 : 16;
    double hL = 3.0 / K;
    double kept = 0.0;
    for (int n = 0; n <= N; ++n) kept += poisson(hL, n);
    ArrivalRun r = run(ph, 1.0, kPlain, 25, N, 1e-6);
    EXPECT_FALSE(r.kept);
    std::vector<double> m = warned_masses(r.text, 25);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_NEAR(m[0], std::pow(kept, K), kMassDigits * m[0]) << N;
    for (double v : r.out.v) EXPECT_EQ(v, 0.0);
  }
  ArrivalRun enough = run(ph, 1.0, kPlain, 25, 5, 1e-6);
  EXPECT_TRUE(enough.kept);
  EXPECT_EQ(enough.text, "");
}

TEST(ArrivalCounts, SeriesOfOneTermKeepsOnlyTheNoEventMass) {
  PhaseType ph = make_ph(1, {-2.0});
  ArrivalRun r = run(ph, 0.5, kPlain, 4, 0, 1.0 - std::exp(-1.0) + 1e-12);
  EXPECT_TRUE(r.kept);
  EXPECT_EQ(r.out.at(0, 0, 0), 1.0);
  for (int k = 1; k <= 4; ++k) EXPECT_EQ(r.out.at(0, 0, k), 0.0);
  ArrivalRun failing = run(ph, 0.5, kPlain, 4, 0, 0.5);
  std::vector<double> m = warned_masses(failing.text, 4);
  ASSERT_EQ(m.size(), 1u);
  EXPECT_NEAR(m[0], std::exp(-1.0), kMassDigits);
}

// P(at most mxq arrivals in [0, t] | start phase) for a two-phase chain with
// alpha = e_0, by an independent uniformisation of the (phase, count) chain
// over the whole interval at a rate well above every phase rate.
double mass_up_to(const PhaseType& ph, int start, double t, int mxq) {
  const double rate = 8.0;
  int n = ph.n;
  int S = n * (mxq + 1);
  std::vector<double> v(static_cast<std::size_t>(S), 0.0), sum(v.size(), 0.0);
  v[static_cast<std::size_t>(start)] = 1.0;  // state (phase, count) at count * n + phase
  for (int step = 0; step < 400; ++step) {
    double w = poisson(rate * t, step);
    for (int i = 0; i < S; ++i) sum[static_cast<std::size_t>(i)] += w * v[static_cast<std::size_t>(i)];
    std::vector<double> next(v.size(), 0.0);
    for (int k = 0; k <= mxq; ++k)
      for (int r = 0; r < n; ++r) {
        double x = v[static_cast<std::size_t>(k * n + r)];
        double out = 0.0;
        for (int c = 0; c < n; ++c) {
          if (c != r) next[static_cast<std::size_t>(k * n + c)] += x * ph.q(r, c) / rate;
          out -= ph.q(r, c);
        }
        next[static_cast<std::size_t>(k * n + r)] += x * (1.0 + ph.q(r, r) / rate);
        if (k < mxq) next[static_cast<std::size_t>((k + 1) * n)] += x * out / rate;
      }
    v = next;
  }
  double m = 0.0;
  for (double x : sum) m += x;
  return m;
}

TEST(ArrivalCounts, TooSmallQueueBoundWarnsOncePerStartState) {
  PhaseType ph = make_ph(2, {-3.0, 0.6, 0.0, -0.5});
  double m0 = mass_up_to(ph, 0, 1.0, 2);
  double m1 = mass_up_to(ph, 1, 1.0, 2);
  EXPECT_NEAR(m0, 0.67, 0.01);
  EXPECT_NEAR(m1, 0.88, 0.01);

  ArrivalRun plain = run(ph, 1.0, kPlain, 2, 10, 1e-6);
  EXPECT_FALSE(plain.kept);
  std::vector<double> mp = warned_masses(plain.text, 2);
  ASSERT_EQ(mp.size(), 2u);
  EXPECT_NEAR(mp[0], m0, kMassDigits);
  EXPECT_NEAR(mp[1], m1, kMassDigits);
  for (double v : plain.out.v) EXPECT_EQ(v, 0.0);

  ArrivalRun thinned = run(ph, 1.0, 5.0, 2, 10, 1e-6);
  EXPECT_FALSE(thinned.kept);
  std::vector<double> mt = warned_masses(thinned.text, 2);
  ASSERT_EQ(mt.size(), 4u);
  EXPECT_NEAR(mt[0], m0, kMassDigits);
  EXPECT_NEAR(mt[1], m0, kMassDigits);
  EXPECT_NEAR(mt[2], m1, kMassDigits);
  EXPECT_NEAR(mt[3], m1, kMassDigits);
  for (double v : thinned.out.v) EXPECT_EQ(v, 0.0);
}

// N Delta L above 2^30 would need more sub-steps than an int holds.
TEST(ArrivalCounts, TooManySubStepsEndsTheRunNamingThePeriod) {
  PhaseType fast = make_ph(1, {-1e9});
  ChildResult r = run_in_child([&] {
    ArrivalBlock out;
    f_arrival_dist(out, fast, 1.0, kPlain, 5, 10, 1e-6, 2);
  });
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.rfind("\nError in the arrival count distribution of arrival period 3 ", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("2^30"), std::string::npos);
  EXPECT_EQ(r.out.substr(r.out.size() - 26), ".\nPress any key to quit...");

  // Exactly 2^30 still fits.
  PhaseType edge = make_ph(1, {-1073741824.0});
  ChildResult ok = run_in_child([&] {
    ArrivalBlock out;
    f_arrival_dist(out, edge, 1.0, kPlain, 2, 1, 2.0, 0);
  });
  EXPECT_EQ(ok.status, 0);
  EXPECT_EQ(ok.out, "");
  PhaseType above = make_ph(1, {-std::nextafter(1073741824.0, 2e9)});
  ChildResult bad = run_in_child([&] {
    ArrivalBlock out;
    f_arrival_dist(out, above, 1.0, kPlain, 2, 1, 2.0, 0);
  });
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.out.find("arrival period 1 "), std::string::npos);
}

}  // namespace
