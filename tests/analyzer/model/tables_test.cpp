// The tables an instance is initialised with, against independent answers:
// Poisson, Erlang and binomial counts, the independent-unit multinomial of the
// two-phase advancement and its series cut-off, path-enumerated splits, the
// last-clock recursion, the phase-type moments.
#include "tests/support/instances.h"

namespace {

constexpr double kTight = 1e-15;
constexpr double kClose = 1e-13;
constexpr double kLoose = 1e-9;
constexpr double kPlain = -1.0;  // no thinning rate

PhaseType chain(int n, std::vector<double> Q) {
  PhaseType ph = hand::phases(n);
  ph.Q = std::move(Q);
  return ph;
}

double block_sum(const SquareBlocks& t, int m) {
  double s = 0.0;
  for (int x = 0; x <= m; ++x)
    for (int y = 0; y <= m; ++y) s += t.at(m, x, y);
  return s;
}

double weight(const std::vector<double>& w, int mxq, int x, int y) {
  return w[static_cast<std::size_t>(x * (mxq + 1) + y)];
}

}  // namespace

// Mended: beyond the success count nothing is stored, not even the rounding
// rest of a lumped row.
TEST(CountingRule, NothingIsStoredAboveTheSuccessCount) {
  set_run_defaults();
  for (int i = 1; i <= 200; ++i) {
    const double mu = 0.0137 * i;
    TriangleRows t;
    SquareBlocks b;
    f_counting_rule(t, 6, mu, 1.0, 2, 2);
    f_phase1_rule(b, 6, mu, 0.35, 1.0, 2, 2);
    int stored = 0;
    for (int m = 3; m <= 6; ++m)
      for (int x = 0; x <= m; ++x) {
        stored += x >= 3 && t.at(m, x) != 0.0;
        for (int y = 0; y <= m; ++y) stored += x + y > 2 && b.at(m, x, y) != 0.0;
      }
    EXPECT_EQ(stored, 0) << mu;
  }
}

// Mended: in a multi-phase layout a one-phase period also gets its two-phase
// tables, as the chain mu, mu with every phase-1 event a completion.
TEST(EventTables, OnePhasePeriodInMultiPhaseLayoutCompletesThroughPhaseOne) {
  set_run_defaults();
  std::vector<PhaseType> fits = {fitted(2.5, 1.0)};
  CountTables c;
  f_build_event_tables({&c.abd_cnt, &c.abd_cnt_ph2, &c.abd_adv_ph1}, fits, 6, 6, 1.0, 10, -1, true);
  for (int m = 0; m <= 6; ++m) {
    EXPECT_NEAR(block_sum(c.abd_adv_ph1[0], m), 1.0, kTight);
    for (int b = 0; b <= m; ++b) {
      EXPECT_NEAR(c.abd_cnt[0].at(m, b), b < m ? poisson(0.4 * m, b) : c.abd_cnt[0].at(m, b), kClose);
      EXPECT_EQ(c.abd_cnt_ph2[0].at(m, b), c.abd_cnt[0].at(m, b));
      EXPECT_EQ(c.abd_adv_ph1[0].at(m, 0, b), c.abd_cnt[0].at(m, b));
      for (int x = 1; x <= m; ++x) EXPECT_EQ(c.abd_adv_ph1[0].at(m, x, b), 0.0);
    }
  }
  // Through the two-phase advancement each unit completes with 1 - e^-mu.
  const double mu = 0.4;
  std::vector<PhaseType> one = {fitted(1.0 / mu, 1.0)};
  CountTables s;
  f_build_event_tables({&s.ser_cmp, &s.ser_cmp_ph2, &s.ser_adv_ph1}, one, 3, 3, 1.0, 10, 40, true);
  for (int m = 0; m <= 3; ++m)
    for (int y = 0; y <= m; ++y)
      EXPECT_NEAR(s.ser_adv_ph1[0].at(m, 0, y), binomial(m, y, 1.0 - std::exp(-mu)), 1e-12) << m << " " << y;
}

TEST(ArrivalCounts, PoissonAndErlangTwoMatchExactCountsPlainAndThinned) {
  for (double thin : {kPlain, 5.0}) {
    ArrivalBlock out;
    CoutCapture console;
    EXPECT_TRUE(f_arrival_dist(out, chain(1, {-1.0}), 1.0, thin, 20, 10, 1e-9, 0));
    for (int k = 0; k <= 20; ++k) EXPECT_NEAR(out.at(0, 0, k), poisson(1.0, k), 2 * kTight) << k;
    // Erlang-2 at phase rate 2: from start phase a, m = 2k + b - a phase
    // completions give k arrivals and end phase b.
    EXPECT_TRUE(f_arrival_dist(out, chain(2, {-2.0, 2.0, 0.0, -2.0}), 0.7, thin, 15, 10, 1e-9, 0));
    for (int a = 0; a < 2; ++a)
      for (int b = 0; b < 2; ++b)
        for (int k = 0; k <= 15; ++k)
          EXPECT_NEAR(out.at(a, b, k), poisson(1.4, 2 * k + b - a), 2 * kTight) << thin << a << b << k;
    EXPECT_EQ(console.text(), "");
  }
}

// Each unit on its own is still in phase 1, in phase 2 or finished.
TEST(TwoPhaseAdvancement, MatchesTheIndependentUnitMultinomial) {
  struct Case {
    int M;
    double mu1, mu2, p, Delta;
    int N;
  };
  for (Case c : {Case{40, 1.0, 0.5, 0.4, 0.05, 60}, Case{40, 0.5, 1.0, 1.0, 0.05, 80}, Case{40, 0.75, 0.75, 0.3, 0.05, 60},
                 Case{2, 20.0, 1.0, 0.5, 1.0, 150}}) {
    SquareBlocks t;
    t.reset(c.M);
    CoutCapture console;
    f_2PH_advancement(t, c.M, c.mu1, c.mu2, c.p, c.Delta, c.N);
    const long double m1 = c.mu1, m2 = c.mu2, d = c.Delta;
    const long double s1 = std::exp(-m1 * d);
    const long double s2 = c.mu1 == c.mu2 ? c.p * m1 * d * s1 : c.p * m1 * (s1 - std::exp(-m2 * d)) / (m2 - m1);
    for (int u = 0; u <= c.M; ++u)
      for (int y = 0; y <= u; ++y)
        for (int f = 0; f <= u; ++f) {
          if (y + f > u) {
            EXPECT_EQ(t.at(u, y, f), 0.0);
            continue;
          }
          const long double want = std::exp(std::lgamma(u + 1.0L) - std::lgamma(u - y - f + 1.0L) -
                                            std::lgamma(y + 1.0L) - std::lgamma(f + 1.0L)) *
                                   std::pow(s1, u - y - f) * std::pow(s2, y) * std::pow(1.0L - s1 - s2, f);
          EXPECT_NEAR(t.at(u, y, f), static_cast<double>(want), c.M == 2 ? kClose : kTight) << u << " " << y << " " << f;
        }
  }
}

// N = 1: S = e^(-L Delta)(I + L Delta P), with L = 6 from the state (3, 3)
// that no start count reaches, not 3.9 = 3 mu1.
TEST(TwoPhaseAdvancement, SingleTermUsesTheRateOfTheWholeStateRange) {
  const double mu1 = 1.3, mu2 = 0.7, p = 0.4, Delta = 0.1;
  SquareBlocks t;
  t.reset(3);
  f_2PH_advancement(t, 3, mu1, mu2, p, Delta, 1);
  const double damping = std::exp(-6.0 * Delta);
  for (int u = 1; u <= 3; ++u) {
    EXPECT_NEAR(t.at(u, 0, 1), damping * Delta * (1.0 - p) * u * mu1, kClose) << u;
    EXPECT_NEAR(t.at(u, 1, 0), damping * Delta * p * u * mu1, kClose) << u;
    EXPECT_NEAR(t.at(u, 0, 0), 1.0 - t.at(u, 0, 1) - t.at(u, 1, 0), kClose);
    for (int y = 0; y <= u; ++y)
      for (int f = 2 - std::min(y, 2); y + f <= u; ++f) EXPECT_EQ(t.at(u, y, f), 0.0) << u << y << f;
  }
  // N = 2 for one unit, L = mu1 + mu2 from (1, 1): the term (L Delta)^2 / 2 P^2.
  t.reset(1);
  f_2PH_advancement(t, 1, mu1, mu2, p, Delta, 2);
  const double L = mu1 + mu2, a = L * Delta, r1 = (1.0 - p) * mu1 / L, r2 = p * mu1 / L, stay = 1.0 - mu1 / L;
  EXPECT_NEAR(t.at(1, 1, 0), std::exp(-a) * (a * r2 + a * a / 2 * (stay * r2 + r2 * (1.0 - mu2 / L))), kClose);
  EXPECT_NEAR(t.at(1, 0, 1), std::exp(-a) * (a * r1 + a * a / 2 * (stay * r1 + r1 + r2 * mu2 / L)), kClose);
}

// Mended: counts above the kernel's 25 come from the last-clock recursion.
// SCV 1/2 weighs the head by the square of the share x / (x + y).
TEST(QueueHeadWeights, LastClockTimesShareOrSquaredShare) {
  set_run_defaults();
  const int mxq = 32;
  std::vector<double> w1, w2;
  f_queue_head_weights(w1, w2, mxq, 3.0, 0.9, 2.3);
  const std::vector<long double> K = first_clock_table<long double>(0.9, 2.3, mxq);
  for (int x = 0; x <= mxq; ++x)
    for (int y = 0; y <= mxq; ++y) {
      const double f = x + y == 0 ? 0.0 : static_cast<double>(x) / (x + y);
      const double want = y == 0 ? (x > 0) : static_cast<double>(K[x * (mxq + 1) + y] * f);
      EXPECT_NEAR(weight(w1, mxq, x, y), want, kClose) << x << " " << y;
      EXPECT_NEAR(x + y > 0 ? weight(w1, mxq, x, y) + weight(w2, mxq, x, y) : 1.0, 1.0, kTight) << x << " " << y;
    }
  f_queue_head_weights(w1, w2, 6, 0.5, 5.0, 1.0);
  for (int x = 1; x <= 6; ++x)
    for (int y = 1; y <= 6; ++y) {
      const double f = static_cast<double>(x) / (x + y);
      EXPECT_EQ(weight(w1, 6, x, y), f * f);
    }
}

// Sum over every order of taking d units from (q, r) of the product of the
// weights on the way, normalised: the split of the queue-to-service move.
TEST(QueueSplit, MatchesEveryOrderOfDraws) {
  set_run_defaults();
  const int mxq = 6;
  std::vector<double> w1, w2;
  f_queue_head_weights(w1, w2, mxq, 1.6, 1.2, 0.7);
  QueueSplit t;
  f_build_queue_split(t, mxq, w1, w2);
  for (int q = 0; q <= mxq; ++q)
    for (int r = 0; r <= mxq; ++r)
      for (int d = 0; d <= q + r; ++d) {
        std::vector<long double> want(q + 1, 0.0L);
        std::function<void(int, int, int, long double)> walk = [&](int x, int y, int left, long double prob) {
          if (left == 0) return void(want[q - x] += prob);
          if (x > 0) walk(x - 1, y, left - 1, prob * weight(w1, mxq, x, y));
          if (y > 0) walk(x, y - 1, left - 1, prob * weight(w2, mxq, x, y));
        };
        walk(q, r, d, 1.0L);
        long double total = 0.0L;
        for (long double v : want) total += v;
        for (int i1 = 0; i1 <= q; ++i1)
          EXPECT_NEAR(t.at(q, r, d, i1), static_cast<double>(want[i1] / total), kClose) << q << r << d << i1;
      }
}

// Mended: the one-phase layout builds no queue split; a one-phase patience
// period of a multi-phase layout weighs the head with equal rates.
TEST(SplitTables, QueueSplitOnlyForMultiPhaseLayoutsWithEqualRatesForOnePhasePatience) {
  set_run_defaults();
  ProcessFits fits;
  f_reset_layout(fits);
  fits.abd.resize(2);
  SplitTables s;
  f_build_split_tables(s, fits, {1.0, 1.0}, 3, 7);
  EXPECT_TRUE(s.q2s_split.empty());
  EXPECT_NEAR(s.srv_drop_split.at(2, 1, 1, 1), 2.0 / 3.0, kTight);

  fits.layout_exp = false;
  fits.layout_serabd = true;
  fits.abd = {fitted(2.0, 2.0), fitted(2.0, 1.0)};
  f_build_split_tables(s, fits, {2.0, 1.0}, 2, 28);
  ASSERT_EQ(s.q2s_split.size(), 2u);
  for (int x = 1; x <= 28; ++x)
    for (int y = 1; y <= 28; ++y)
      EXPECT_NEAR(weight(s.q2s_w1, 28, x, y), std::pow(static_cast<double>(x) / (x + y), 2), kClose) << x << " " << y;
  EXPECT_NEAR(s.q2s_split[1].at(1, 1, 1, 1), 0.25, kTight);
  EXPECT_NE(s.q2s_split[0].at(1, 1, 1, 1), 0.25);
}

// Mean and variance by the first-passage recursion over the phases (alpha =
// e_0, Q upper bidiagonal); the Coxian's kappa fixes its branching.
TEST(PhaseTypeFit, FittedMomentsMatchTheTargets) {
  for (double mean : {0.5, 1.0, 37.0})
    for (double scv : {0.9, 0.7, 0.45, 0.3, 0.26, 0.15, 1.0 / 6, 1.0 / 14, 1.0, 1.2, 2.0, 5.0, 30.0})
      for (double kappa : {0.1, 0.5, 0.9}) {
        const PhaseType ph = fitted(mean, scv, kappa);
        double m1 = 0.0, m2 = 0.0;
        for (int i = ph.n - 1; i >= 0; --i) {
          const double rate = -ph.q(i, i), go_on = i + 1 < ph.n ? ph.q(i, i + 1) / rate : 0.0;
          m2 = 2.0 / (rate * rate) + go_on * (2.0 / rate * m1 + m2);
          m1 = 1.0 / rate + go_on * m1;
        }
        EXPECT_NEAR(m1 / mean, 1.0, kLoose) << mean << " " << scv << " " << kappa;
        EXPECT_NEAR((m2 - m1 * m1) / (mean * mean), scv, kLoose * scv) << mean << " " << scv << " " << kappa;
      }
  const PhaseType k9 = fitted(1.0, 5.0, 0.9);
  EXPECT_NEAR(-k9.q(0, 0), 10.0 / 9.0, kClose);
  EXPECT_NEAR(-k9.q(1, 1), 1.0 / 21.0, kClose);
}

// Mended: a one-phase fit read as a two-phase chain completes every phase-1
// event (p = 0) and keeps its rate in phase 2.
TEST(TwoPhaseRates, CoxianHypoExponentialAndOnePhaseReadings) {
  set_run_defaults();
  const std::vector<std::pair<PhaseType, std::array<double, 3>>> cases{
      {fitted(1.0, 2.0), {2.0, 0.5, 0.25}}, {fitted(1.0, 0.5), {2.0, 2.0, 1.0}}, {fitted(4.0, 1.0), {0.25, 0.25, 0.0}}};
  for (const auto& [ph, want] : cases) {
    const TwoPhaseRates r = f_two_phase_rates(ph);
    EXPECT_NEAR(r.mu1, want[0], kClose) << ph.n;
    EXPECT_NEAR(r.mu2, want[1], kClose) << ph.n;
    EXPECT_NEAR(r.p, want[2], kClose) << ph.n;
  }
}

// A cap on the events per interval or on the series terms far above any count
// that can matter changes no value: the series end once their terms underflow.
TEST(SeriesCutoff, HugeCapsGiveTheTablesOfModerateOnes) {
  constexpr int kHuge = 2000000000;
  // Rates 3 and 5 over Delta 1e-11: one sub-step for both caps.
  ArrivalBlock huge, moderate;
  ASSERT_TRUE(f_arrival_dist(huge, chain(2, {-3.0, 1.5, 0.0, -5.0}), 1e-11, kPlain, 4, kHuge, 1e-6, 0));
  ASSERT_TRUE(f_arrival_dist(moderate, chain(2, {-3.0, 1.5, 0.0, -5.0}), 1e-11, kPlain, 4, 1000, 1e-6, 0));
  EXPECT_EQ(huge.v, moderate.v);
  // Mended: with L Delta > 1, terms beyond 170 would be infinity over
  // infinity in the two-phase advancement; they must count as zeros.
  for (double Delta : {0.01, 0.5}) {
    SquareBlocks big, mid;
    big.reset(6);
    mid.reset(6);
    f_2PH_advancement(big, 6, 2.0, 1.0, 0.7, Delta, kHuge);
    f_2PH_advancement(mid, 6, 2.0, 1.0, 0.7, Delta, 400);
    EXPECT_EQ(big.v, mid.v) << Delta;
    EXPECT_NEAR(block_sum(big, 6), 1.0, kLoose * 1e-3) << Delta;
    EXPECT_LT(big.at(6, 0, 0), 1.0) << "events must happen over " << Delta;
  }
}
