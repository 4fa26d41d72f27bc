// Two-phase advancement table: u units start in phase 1; after one interval y
// stand in phase 2 and f have finished. Checked against the independent-unit
// multinomial, hand-derived short series, and the full dense uniformisation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "kernel/int_power.h"
#include "analyzer/model/two_phase_advancement.h"
#include "tests/analyzer/model/cout_capture.h"

namespace {

constexpr double kMultinomial = 1e-15;
constexpr double kTight = 1e-13;

struct Table {
  SquareBlocks t;
  std::string text;
};

Table advance(int M, double mu1, double mu2, double p, double Delta, int N) {
  Table r;
  r.t.reset(M);
  CoutCapture capture;
  f_2PH_advancement(r.t, M, mu1, mu2, p, Delta, N);
  r.text = capture.text();
  return r;
}

// Each unit on its own: still in phase 1 (s1), in phase 2 (s2) or finished (s3).
long double multinomial(int u, int y, int f, double mu1, double mu2, double p, double Delta) {
  long double m1 = mu1, m2 = mu2, d = Delta;
  long double s1 = std::exp(-m1 * d);
  long double s2 = mu1 == mu2 ? p * m1 * d * std::exp(-m1 * d)
                              : p * m1 * (std::exp(-m1 * d) - std::exp(-m2 * d)) / (m2 - m1);
  long double s3 = 1.0L - s1 - s2;
  int x = u - y - f;
  long double coeff = std::exp(std::lgamma(u + 1.0L) - std::lgamma(x + 1.0L) - std::lgamma(y + 1.0L) -
                               std::lgamma(f + 1.0L));
  return coeff * std::pow(s1, x) * std::pow(s2, y) * std::pow(s3, f);
}

void expect_multinomial(int M, double mu1, double mu2, double p, double Delta, int N) {
  Table r = advance(M, mu1, mu2, p, Delta, N);
  EXPECT_EQ(r.text, "");
  for (int u = 0; u <= M; ++u)
    for (int y = 0; y <= u; ++y)
      for (int f = 0; y + f <= u; ++f) {
        double expected = static_cast<double>(multinomial(u, y, f, mu1, mu2, p, Delta));
        EXPECT_NEAR(r.t.at(u, y, f), expected, kMultinomial) << "u=" << u << " y=" << y << " f=" << f;
      }
}

TEST(TwoPhaseAdvancement, FortyUnitsMatchIndependentMultinomial) {
  // L = 40 (mu2 + max(mu1, mu2)); L Delta = 3 and 60 terms leave a tail
  // far below a double's resolution.
  expect_multinomial(40, 1.0, 0.5, 0.4, 0.05, 60);
  expect_multinomial(40, 0.5, 1.0, 1.0, 0.05, 80);   // hypo-exponential: p = 1
  expect_multinomial(40, 0.75, 0.75, 0.3, 0.05, 60);  // equal rates
}

TEST(TwoPhaseAdvancement, EntriesOutsideTheTriangleStayZero) {
  Table r = advance(6, 1.3, 0.7, 0.4, 0.3, 40);
  for (int u = 0; u <= 6; ++u)
    for (int y = 0; y <= u; ++y)
      for (int f = 0; f <= u; ++f)
        if (y + f > u) {
          EXPECT_EQ(r.t.at(u, y, f), 0.0);
        }
}

TEST(TwoPhaseAdvancement, NoUnitsIsCertainlyNoEvent) {
  Table zero = advance(0, 2.0, 1.0, 0.5, 1.0, 10);
  EXPECT_EQ(zero.t.at(0, 0, 0), 1.0);
  EXPECT_EQ(zero.text, "");
  Table more = advance(5, 7.0, 0.1, 0.9, 3.0, 12);
  EXPECT_EQ(more.t.at(0, 0, 0), 1.0);
}

// N = 1: S = e^(-L Delta)(I + L Delta P); L = 6 from the state (3, 3), which
// no start count reaches, not 3.9 = 3 mu1.
TEST(TwoPhaseAdvancement, SingleTermUsesRateOfWholeStateRange) {
  double mu1 = 1.3, mu2 = 0.7, p = 0.4, Delta = 0.1;
  Table r = advance(3, mu1, mu2, p, Delta, 1);
  double damping = std::exp(-6.0 * Delta);
  for (int u = 1; u <= 3; ++u) {
    EXPECT_NEAR(r.t.at(u, 0, 1), damping * Delta * (1.0 - p) * u * mu1, kTight) << u;
    EXPECT_NEAR(r.t.at(u, 1, 0), damping * Delta * p * u * mu1, kTight) << u;
    EXPECT_NEAR(r.t.at(u, 0, 0), 1.0 - r.t.at(u, 0, 1) - r.t.at(u, 1, 0), kTight);
    for (int y = 0; y <= u; ++y)
      for (int f = 0; y + f <= u; ++f)
        if (y + f > 1) {
          EXPECT_EQ(r.t.at(u, y, f), 0.0) << u << y << f;
        }
  }
  Table hypo = advance(3, mu1, mu2, 1.0, Delta, 1);
  for (int u = 1; u <= 3; ++u) {
    EXPECT_EQ(hypo.t.at(u, 0, 1), 0.0);
    EXPECT_GT(hypo.t.at(u, 1, 0), 0.0);
  }
}

// An outcome needs one transition per unit moved to phase 2, one per unit
// finished directly and two per unit finished by way of phase 2.
TEST(TwoPhaseAdvancement, OutcomesNeedingMoreThanNTransitionsAreZero) {
  Table r = advance(3, 1.3, 0.7, 0.4, 0.5, 2);
  EXPECT_EQ(r.t.at(3, 0, 3), 0.0);  // three finishes
  EXPECT_EQ(r.t.at(3, 3, 0), 0.0);  // three moves
  EXPECT_EQ(r.t.at(3, 2, 1), 0.0);  // three transitions
  EXPECT_GT(r.t.at(3, 1, 1), 0.0);
  EXPECT_GT(r.t.at(2, 0, 2), 0.0);
  Table hypo = advance(3, 1.3, 0.7, 1.0, 0.5, 2);
  EXPECT_GT(hypo.t.at(1, 0, 1), 0.0);  // move, then finish from phase 2
  EXPECT_EQ(hypo.t.at(2, 0, 2), 0.0);  // four transitions
}

// The full computation: every state (x, y), x <= M, y <= 2M, in dense
// matrices of order (2M + 1)(M + 1), P on the left of every product.
SquareBlocks dense_reference(int M, double mu1, double mu2, double p, double Delta, int N, std::string& text) {
  int n = (2 * M + 1) * (M + 1);
  auto id = [M](int x, int y) { return static_cast<std::size_t>(y * (M + 1) + x); };
  std::size_t nn = static_cast<std::size_t>(n);
  std::vector<double> fact(static_cast<std::size_t>(N + 1));
  fact[0] = 1.0;
  for (int k = 1; k <= N; ++k) fact[static_cast<std::size_t>(k)] = k * fact[static_cast<std::size_t>(k - 1)];

  std::vector<double> G(nn * nn, 0.0);
  double L = -1.0;
  for (int x = 0; x <= M; ++x)
    for (int y = 0; y <= 2 * M; ++y) {
      if (x + y > 2 * M) continue;
      double total = 0.0, r1 = 0.0, r2 = 0.0, r3 = 0.0;
      if (x > 0) {
        r1 = ((1 - p) * x) * mu1;
        r2 = (x * p) * mu1;
        G[id(x, y) * nn + id(x - 1, y)] = r1;
        G[id(x, y) * nn + id(x - 1, y + 1)] = r2;
        total = r2 + r1;
        if (std::fabs(r1) > L) L = std::fabs(r1);
        if (std::fabs(r2) > L) L = std::fabs(r2);
      }
      if (y > 0) {
        r3 = y * mu2;
        G[id(x, y) * nn + id(x, y - 1)] = r3;
        total = total + r3;
        if (std::fabs(r3) > L) L = std::fabs(r3);
      }
      if (total > 0) {
        G[id(x, y) * nn + id(x, y)] = -total;
        if (total > L) L = total;
      }
    }
  double LD = L * Delta;
  std::vector<double> P(nn * nn), S(nn * nn), cur(nn * nn), next(nn * nn);
  for (std::size_t r = 0; r < nn; ++r)
    for (std::size_t c = 0; c < nn; ++c) {
      P[r * nn + c] = G[r * nn + c] / L + (r == c ? 1.0 : 0.0);
      S[r * nn + c] = P[r * nn + c] * (LD / fact[1]) + (r == c ? 1.0 : 0.0);
    }
  cur = P;
  for (int k = 2; k <= N; ++k) {
    for (std::size_t r = 0; r < nn; ++r)
      for (std::size_t c = 0; c < nn; ++c) {
        double s = 0.0;
        for (std::size_t m = 0; m < nn; ++m) s = s + P[r * nn + m] * cur[m * nn + c];
        next[r * nn + c] = s;
      }
    double coef = f_int_power(LD, k) / fact[static_cast<std::size_t>(k)];
    for (std::size_t i = 0; i < nn * nn; ++i) S[i] = S[i] + coef * next[i];
    std::swap(cur, next);
  }
  double w = std::pow(std::exp(1.0), -LD);
  for (double& v : S) v = w * v;

  SquareBlocks t;
  t.reset(M);
  for (int u = 0; u <= M; ++u) {
    double sum = 0.0;
    for (int x = 0; x <= u - 1; ++x)
      for (int y = 0; y <= u - x; ++y) {
        double v = S[id(u, 0) * nn + id(x, y)];
        if (v > 0) {
          sum = sum + v;
          t.at(u, y, u - x - y) = v;
        }
      }
    if (1.0 - sum > 0)
      t.at(u, 0, 0) = 1.0 - sum;
    else
      text += "Negative probability mass";
  }
  return t;
}

TEST(TwoPhaseAdvancement, EqualsDenseComputationBitForBit) {
  struct Case {
    int M;
    double mu1, mu2, p, Delta;
    int N;
  };
  for (Case c : {Case{1, 1.3, 0.7, 0.4, 0.5, 10}, Case{3, 1.3, 0.7, 0.4, 0.5, 25}, Case{4, 0.4, 2.5, 0.7, 0.3, 30},
                 Case{4, 2.0, 2.0, 1.0, 0.8, 40}, Case{3, 1.0, 3.0, 0.0, 0.2, 12}, Case{4, 5.0, 0.2, 0.9, 2.0, 3},
                 Case{2, 20.0, 1.0, 0.5, 1.0, 150}, Case{3, 1.3, 0.7, 0.4, 0.5, 1}, Case{6, 0.9, 0.6, 0.6, 0.4, 30}}) {
    std::string expected_text;
    SquareBlocks expected = dense_reference(c.M, c.mu1, c.mu2, c.p, c.Delta, c.N, expected_text);
    Table r = advance(c.M, c.mu1, c.mu2, c.p, c.Delta, c.N);
    ASSERT_EQ(r.t.v.size(), expected.v.size());
    EXPECT_EQ(std::memcmp(r.t.v.data(), expected.v.data(), expected.v.size() * sizeof(double)), 0)
        << "M=" << c.M << " N=" << c.N;
    for (std::size_t i = 0; i < expected.v.size(); ++i)
      ASSERT_EQ(r.t.v[i], expected.v[i]) << "M=" << c.M << " N=" << c.N << " index " << i;
    EXPECT_EQ(r.text, expected_text);
  }
}

// Start count 2 at mu1 = 20 keeps no-event probability about 4e-18: the
// written entries sum to 1 within rounding, and a residue that is not
// positive is reported once while the no-event entry keeps its 0.0.
TEST(TwoPhaseAdvancement, VanishingNoEventMassIsReportedOrKept) {
  Table r = advance(2, 20.0, 1.0, 0.5, 1.0, 150);
  double others = 0.0;
  for (int y = 0; y <= 2; ++y)
    for (int f = 0; y + f <= 2; ++f)
      if (y + f > 0) others += r.t.at(2, y, f);
  EXPECT_NEAR(others, 1.0, kTight);
  if (r.text.empty()) {
    EXPECT_GT(r.t.at(2, 0, 0), 0.0);
    EXPECT_LT(r.t.at(2, 0, 0), 1e-15);
  } else {
    EXPECT_EQ(r.text, "Negative probability mass");
    EXPECT_EQ(r.t.at(2, 0, 0), 0.0);
  }
  for (int y = 0; y <= 2; ++y)
    for (int f = 0; y + f <= 2; ++f)
      EXPECT_NEAR(r.t.at(2, y, f), static_cast<double>(multinomial(2, y, f, 20.0, 1.0, 0.5, 1.0)), kTight);
}

}  // namespace
